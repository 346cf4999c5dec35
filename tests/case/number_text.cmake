# Window-side number texts: the tables and properties, and the MPFR oracle of
# the real parser (ZK_ORACLE_TEXTS sets its number of random texts).
zk_add_test(test_number_text
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_number_text.cpp
  LIBS zk::case)
zk_add_test(test_parse_oracle
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_parse_oracle.cpp
  LIBS zk::case mpfr gmp
  TIMEOUT 180)
