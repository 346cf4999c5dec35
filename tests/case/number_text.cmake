# Number texts, through the windows' conversions: the tables and properties, and the MPFR oracle of
# the real parser (ZK_ORACLE_TEXTS sets its number of random texts).
zk_add_test(test_number_text
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_number_text.cpp
  LIBS zk::window_text)
zk_add_test(test_parse_oracle
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_parse_oracle.cpp
  LIBS zk::window_text mpfr gmp
  TIMEOUT 180)
