# The run engine: a million due self-jumps in a row (firings per second, peak
# stack depth), with the scheduler window shown beside without, and the lateness
# of triggers one second apart on the real clock for two alarm policies.
add_executable(bench_script_engine ${CMAKE_CURRENT_LIST_DIR}/script_engine.cpp ${CMAKE_CURRENT_LIST_DIR}/SimProcess.h)
target_link_libraries(bench_script_engine PRIVATE k9app k9console k9schedulerwindow k9editor Qt6::Test)
add_dependencies(bench_script_engine kelvor9-sim)
