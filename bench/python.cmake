# The Python module against the core it wraps (embeds Python; imports the
# module from the build tree).
if(TARGET zormek)
  set(Python3_EXECUTABLE ${ZK_PYTHON})  # the Python the module is built for
  find_package(Python3 COMPONENTS Interpreter Development.Embed)
  find_package(pybind11 CONFIG)
  if(TARGET pybind11::embed)
    add_executable(bench_python ${CMAKE_CURRENT_LIST_DIR}/bench_python.cpp)
    target_link_libraries(bench_python PRIVATE zk::case zk_bench_support pybind11::embed)
    target_compile_definitions(bench_python PRIVATE ZK_PYTHON_MODULE_DIR="${CMAKE_BINARY_DIR}/python")
    set_target_properties(bench_python PROPERTIES AUTOMOC OFF)
    add_dependencies(bench_python zormek)
  endif()
endif()
