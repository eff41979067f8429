# The link's time per traffic-log entry with the monitor window open, beside
# the same dialogues with it closed; and a burst of entries painted at once.
add_executable(bench_monitor ${CMAKE_CURRENT_LIST_DIR}/monitor.cpp ${CMAKE_CURRENT_LIST_DIR}/SimProcess.h)
target_link_libraries(bench_monitor PRIVATE k9console)
add_dependencies(bench_monitor kelvor9-sim)
