# GUI benchmarks, run by tools/run-bench.sh (under xvfb-run for the start-up).
add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/bench_startup.cpp)
target_link_libraries(bench_startup PRIVATE zk::forms)
add_executable(bench_memo ${CMAKE_CURRENT_LIST_DIR}/bench_memo.cpp)
target_link_libraries(bench_memo PRIVATE zk::forms Qt6::Test)
add_executable(bench_interval_paste ${CMAKE_CURRENT_LIST_DIR}/bench_interval_paste.cpp)
target_link_libraries(bench_interval_paste PRIVATE zk::forms zk_bench_support Qt6::Test benchmark::benchmark)
add_executable(bench_open ${CMAKE_CURRENT_LIST_DIR}/bench_open.cpp)
target_link_libraries(bench_open PRIVATE zk::forms zk_bench_support Qt6::Test)
