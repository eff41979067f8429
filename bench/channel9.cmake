# Channel 9's long table: parsing a 100000-point CSV file, the peak memory of
# reading a 200 MB file beside a 1 MB one, importing it into
# the simulator (unthrottled, and a 10000-point file paced to 38400 baud),
# and drawing 100000 points in the waveform view.
add_executable(bench_channel9 ${CMAKE_CURRENT_LIST_DIR}/channel9.cpp)
target_link_libraries(bench_channel9 PRIVATE k9console)
add_dependencies(bench_channel9 kelvor9-sim)
