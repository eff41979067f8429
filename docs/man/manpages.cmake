# The manual pages of the three programs, written from their --help texts and
# the README. The build fills in the version and the release date and
# compresses them as Debian wants them (gzip -9n: no name, no time stamp, so
# the same sources give the same bytes); an installation puts them in
# <prefix>/share/man/man1.
find_program(K9_GZIP gzip REQUIRED)
set(K9_MAN_BUILD_DIR ${CMAKE_BINARY_DIR}/share/man/man1)
set(_man_pages)
foreach(_program kelvor9 kelvor9-sim kelvor9-link)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${_program}.1.in ${K9_MAN_BUILD_DIR}/${_program}.1 @ONLY)
  add_custom_command(OUTPUT ${K9_MAN_BUILD_DIR}/${_program}.1.gz
                     COMMAND ${K9_GZIP} -9nkf ${K9_MAN_BUILD_DIR}/${_program}.1
                     DEPENDS ${K9_MAN_BUILD_DIR}/${_program}.1)
  list(APPEND _man_pages ${K9_MAN_BUILD_DIR}/${_program}.1.gz)
endforeach()
add_custom_target(k9manpages ALL DEPENDS ${_man_pages})
install(FILES ${_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
