# What an installation puts beside the programs and the guide, and the
# Debian package made from it (cpack -G DEB in the build folder).

# The desktop entry, and the program icon that the windows and the about box
# show, where desktops look for them.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kelvor9.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/console/pictures/kelvor9.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The README (it tells how to set up real hardware) and the udev rules as an
# example only (share/doc/kelvor9, named for the package rather than the
# project): they match every adapter with FTDI's standard identities, so
# the administrator decides whether to enable them.
set(K9_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kelvor9)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${K9_DOC_DIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/60-kelvor9-ftdi.rules DESTINATION ${K9_DOC_DIR}/examples)

set(K9_PACKAGE_MAINTAINER "Kelvor 9 console maintainers <maintainers@kelvor9.invalid>"
    CACHE STRING "Maintainer field of the Debian package")

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
