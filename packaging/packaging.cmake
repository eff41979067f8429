# What an installation puts beside the programs and the guide, and the
# Debian package made from it (cpack -G DEB in the build folder).

# The desktop entry, and the program icon that the windows and the about box
# show, where desktops look for them.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kelvor9.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/ui/pictures/kelvor9.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The README (it tells how to set up real hardware) and the udev rules as an
# example only (share/doc/kelvor9, named for the package rather than the
# project): they match every adapter with FTDI's standard identities, so
# the administrator decides whether to enable them.
set(K9_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kelvor9)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${K9_DOC_DIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/60-kelvor9-ftdi.rules DESTINATION ${K9_DOC_DIR}/examples)
# The pictures the README shows, at the place its links name (docs/ beside
# it), so that the installed README refers to nothing missing.
file(STRINGS ${PROJECT_SOURCE_DIR}/README.md _readme_pictures REGEX "\\]\\(docs/[^)]+\\)")
set(_pictures)
foreach(_line IN LISTS _readme_pictures)
  string(REGEX MATCHALL "\\]\\(docs/[^)]+\\)" _links "${_line}")
  foreach(_link IN LISTS _links)
    string(REGEX REPLACE "^\\]\\((.*)\\)$" "${PROJECT_SOURCE_DIR}/\\1" _picture "${_link}")
    list(APPEND _pictures ${_picture})
  endforeach()
endforeach()
list(REMOVE_DUPLICATES _pictures)
install(FILES ${_pictures} DESTINATION ${K9_DOC_DIR}/docs)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md
                                                              ${CMAKE_CURRENT_LIST_DIR}/changelog)

set(K9_PACKAGE_MAINTAINER "Kelvor 9 console maintainers <maintainers@kelvor9.invalid>"
    CACHE STRING "Maintainer field of the Debian package")

# The release: its version is the project's, its date the latest entry's of
# the Debian changelog, which must be an entry for this version.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog _changelog_top LIMIT_COUNT 1)
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog _changelog_trailer REGEX "^ -- " LIMIT_COUNT 1)
string(REGEX REPLACE "^kelvor9 \\(([^)]*)\\).*" "\\1" _changelog_version "${_changelog_top}")
if(NOT _changelog_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog's latest entry is for ${_changelog_version}, the project is "
                      "${PROJECT_VERSION}: add an entry for this version")
endif()
if(NOT _changelog_trailer MATCHES "  [A-Z][a-z][a-z], ([0-9]+) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "packaging/changelog: no date in '${_changelog_trailer}'")
endif()
set(_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
math(EXPR _day "${CMAKE_MATCH_1} + 0")
set(_year ${CMAKE_MATCH_3})
list(FIND _months ${CMAKE_MATCH_2} _month)
math(EXPR _month "${_month} + 1")
foreach(_part _month _day)
  if(${_part} LESS 10)
    set(${_part} 0${${_part}})
  endif()
endforeach()
set(K9_RELEASE_DATE ${_year}-${_month}-${_day})

# Debian's own documents: the copyright in its machine-readable form and the
# changelog, compressed without name and time stamp (gzip -9n). The package's
# version has no Debian revision, so the changelog is the native package's
# changelog.gz.
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${CMAKE_BINARY_DIR}/packaging/copyright @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog ${CMAKE_BINARY_DIR}/packaging/changelog COPYONLY)
find_program(K9_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
                   COMMAND ${K9_GZIP} -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
                   DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog)
add_custom_target(k9changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${K9_DOC_DIR})

# The manual pages.
include(${PROJECT_SOURCE_DIR}/docs/man/manpages.cmake)

# AppStream metadata, so that software centres list the console. The id
# stays the same from release to release: software centres know the
# program by it.
set(K9_APPSTREAM_ID org.kelvor9.Console)
configure_file(${CMAKE_CURRENT_LIST_DIR}/metainfo.xml.in
               ${CMAKE_BINARY_DIR}/share/metainfo/${K9_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/share/metainfo/${K9_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvor9)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control console for the Kelvor 9 pulse stimulator")
set(CPACK_PACKAGE_CONTACT ${K9_PACKAGE_MAINTAINER})
set(CPACK_STRIP_FILES ON)
# A Debian package belongs under /usr whatever prefix the build folder was
# configured with; the console finds its guide relative to its own folder, so
# it works from either. scripts/package.sh configures with /usr throughout.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_PACKAGE_NAME kelvor9)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${K9_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The summary above becomes the description's first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "The desktop console of the Kelvor 9, a nine-channel programmable pulse
stimulator, connected over a USB serial adapter. It sets each channel's mode,
timing and amplitudes, keeps paradigms in files, moves channel 9's waveform
table to and from CSV files, and runs timed scripts with a log of each run.

The package also holds kelvor9-sim, a simulated stimulator on a
pseudo-terminal to try the console without a device, and kelvor9-link, which
sends one command from the command line. An example udev rule for FTDI
adapters lies in /usr/share/doc/kelvor9/examples.")
# The library packages come from the programs themselves (dpkg-shlibdeps), so
# the list follows whatever the programs link; the Qt plugins they load at run
# time (the X11 platform, the sound backends) are in those same packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# F1 hands the guide to the desktop's browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
