add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/startup.cpp)
add_dependencies(bench_startup kelvor9 kelvor9-sim)
