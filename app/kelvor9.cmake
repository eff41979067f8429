add_executable(kelvor9 ${CMAKE_CURRENT_LIST_DIR}/kelvor9_main.cpp)
target_link_libraries(kelvor9 PRIVATE k9console k9schedulerwindow)
