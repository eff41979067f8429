# Round trip of one dialogue through the link, beside a bare write/poll/read
# loop and the wire time; and the processor time of a dialogue that waits.
add_executable(bench_link_roundtrip ${CMAKE_CURRENT_LIST_DIR}/link_roundtrip.cpp)
target_link_libraries(bench_link_roundtrip PRIVATE k9link)
add_dependencies(bench_link_roundtrip kelvor9-sim)
