# The user guide that the console's help command opens. In the build tree it
# lies beside the programs (the programs in build/bin, the guide in
# build/share/kelvor9/guide); an installation puts it in
# <prefix>/share/kelvor9/guide. The console looks in both places.
include(GNUInstallDirs)
file(GLOB K9_GUIDE_FILES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.html ${CMAKE_CURRENT_LIST_DIR}/*.css
     ${CMAKE_CURRENT_LIST_DIR}/*.png)
set(K9_GUIDE_BUILD_DIR ${CMAKE_BINARY_DIR}/share/kelvor9/guide)
set(K9_GUIDE_INSTALLED_INDEX ${CMAKE_INSTALL_FULL_DATADIR}/kelvor9/guide/index.html)
set(_guide_copies)
foreach(_file IN LISTS K9_GUIDE_FILES)
  get_filename_component(_name ${_file} NAME)
  add_custom_command(OUTPUT ${K9_GUIDE_BUILD_DIR}/${_name}
                     COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_file} ${K9_GUIDE_BUILD_DIR}/${_name}
                     DEPENDS ${_file})
  list(APPEND _guide_copies ${K9_GUIDE_BUILD_DIR}/${_name})
endforeach()
add_custom_target(k9guide ALL DEPENDS ${_guide_copies})
install(FILES ${K9_GUIDE_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvor9/guide)
