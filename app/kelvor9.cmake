add_executable(kelvor9 ${CMAKE_CURRENT_LIST_DIR}/kelvor9_main.cpp)
target_link_libraries(kelvor9 PRIVATE k9app k9remote k9console k9schedulerwindow k9editor k9ui)
