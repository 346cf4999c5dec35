# GUI benchmarks: run under xvfb-run by tools/run-bench.sh.
add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/bench_startup.cpp)
target_link_libraries(bench_startup PRIVATE zk::forms)
