# GUI benchmarks, run by tools/run-bench.sh (under xvfb-run for the start-up).
foreach(b bench_startup bench_memo bench_interval_paste bench_open)
  add_executable(${b} ${CMAKE_CURRENT_LIST_DIR}/${b}.cpp)
  target_link_libraries(${b} PRIVATE zk::forms zk_bench_support Qt6::Test benchmark::benchmark)
endforeach()
# The start-up benchmark's baseline: a program of its own, Qt Widgets only.
add_executable(startup_label_window ${CMAKE_CURRENT_LIST_DIR}/startup_label_window.cpp)
target_link_libraries(startup_label_window PRIVATE Qt6::Widgets)
add_dependencies(bench_startup startup_label_window)
target_link_libraries(bench_startup PRIVATE zk_app)
