# What a D-Bus call adds to the console's own operation (Trigger beside a
# bare SendCommand, Exchange beside a bare Dialogue), and the lateness of a
# 10 ms timer in the console meanwhile. Runs itself under dbus-run-session.
add_executable(bench_remote ${CMAKE_CURRENT_LIST_DIR}/remote.cpp ${CMAKE_CURRENT_LIST_DIR}/SimProcess.h)
target_link_libraries(bench_remote PRIVATE k9remote k9app k9console k9schedulerwindow k9editor k9ui Qt6::Test)
add_dependencies(bench_remote kelvor9-sim)
