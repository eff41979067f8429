# The simulated stimulator as a program of its own.
add_executable(kelvor9-sim ${CMAKE_CURRENT_LIST_DIR}/kelvor9_sim_main.cpp)
target_link_libraries(kelvor9-sim PRIVATE k9sim)
set_target_properties(kelvor9-sim PROPERTIES AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
