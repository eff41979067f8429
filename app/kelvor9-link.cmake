# Sends one command to the Kelvor 9 and prints the reply payload.
add_executable(kelvor9-link ${CMAKE_CURRENT_LIST_DIR}/kelvor9_link_main.cpp)
target_link_libraries(kelvor9-link PRIVATE k9link k9remoteclient)
