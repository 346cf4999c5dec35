zk_add_test(test_case_data SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_case_data.cpp ${CMAKE_CURRENT_LIST_DIR}/test_case_edit.cpp ${CMAKE_CURRENT_LIST_DIR}/test_status.cpp ${CMAKE_CURRENT_LIST_DIR}/test_case_fields.cpp LIBS zk::case)
# Checking a case and comparing two.
find_package(nlohmann_json 3 REQUIRED)
zk_add_test(test_case_check SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_case_check.cpp
            LIBS zk::case nlohmann_json::nlohmann_json)
target_compile_definitions(test_case_check PRIVATE ZK_CHECK_CASES="${CMAKE_SOURCE_DIR}/tests/data/check/cases.json")
