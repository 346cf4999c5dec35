# Case file: number conversions, code page, writer, atomic sink.
zk_add_test(test_file_number
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_file_number.cpp
  LIBS zk::case mpfr gmp)
zk_add_test(test_file_number_differential
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_file_number_differential.cpp
  LIBS zk::case TIMEOUT 120)
zk_add_test(test_case_file
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_case_file.cpp
          ${CMAKE_CURRENT_LIST_DIR}/test_case_file_cp1252.cpp
  LIBS zk::case)
target_compile_definitions(test_case_file PRIVATE
  ZK_GOLDEN_DIR="${CMAKE_CURRENT_LIST_DIR}/golden")
zk_add_test(test_file_sink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_file_sink.cpp
  LIBS zk::case)
zk_add_test(test_case_reader
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_case_reader.cpp
  LIBS zk::case)
target_compile_definitions(test_case_reader PRIVATE
  ZK_GOLDEN_DIR="${CMAKE_CURRENT_LIST_DIR}/golden")
# The interval table as clipboard text, and its load profile.
zk_add_test(test_interval_table
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_interval_table.cpp
  LIBS zk::case)
# The table from what spreadsheets put on the clipboard (tests/data/clipboard).
zk_add_test(test_table_clipboard
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_table_clipboard.cpp
  LIBS zk::case)
target_compile_definitions(test_table_clipboard PRIVATE
  ZK_CLIPBOARD_DIR="${CMAKE_SOURCE_DIR}/tests/data/clipboard")
