# Writing the case file: the writer against fprintf and one fwrite.
add_executable(bench_case_file ${CMAKE_CURRENT_LIST_DIR}/bench_case_file.cpp)
target_link_libraries(bench_case_file PRIVATE zk::case zk_bench_support benchmark::benchmark)
# Reading it back: the reader against fread, from_chars and strtod.
add_executable(bench_case_reader ${CMAKE_CURRENT_LIST_DIR}/bench_case_reader.cpp)
target_link_libraries(bench_case_reader PRIVATE zk::case zk_bench_support benchmark::benchmark)
# Checking the case against reading it.
add_executable(bench_case_check ${CMAKE_CURRENT_LIST_DIR}/bench_case_check.cpp)
# The tool's own path too (zk_cli, in process).
target_link_libraries(bench_case_check PRIVATE zk::case zk_cli zk_bench_support benchmark::benchmark)
