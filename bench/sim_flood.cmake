# A client flooding the simulator with "=" without reading: the simulator's
# processor time and peak memory beside plain round trips.
add_executable(bench_sim_flood ${CMAKE_CURRENT_LIST_DIR}/sim_flood.cpp)
target_link_libraries(bench_sim_flood PRIVATE Threads::Threads)
set_target_properties(bench_sim_flood PROPERTIES AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
add_dependencies(bench_sim_flood kelvor9-sim)
