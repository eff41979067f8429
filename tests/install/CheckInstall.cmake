# cmake -DBUILD_DIR=<build folder> -DPREFIX=<scratch prefix> -P CheckInstall.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(faults)
macro(expect_file path why)
  if(NOT EXISTS ${PREFIX}/${path})
    list(APPEND faults "missing ${path} (${why})")
  endif()
endmacro()

# Exactly the three programs; test and benchmark programs stay in the build.
file(GLOB programs RELATIVE ${PREFIX}/bin ${PREFIX}/bin/*)
list(SORT programs)
if(NOT programs STREQUAL "kelvor9;kelvor9-link;kelvor9-sim")
  list(APPEND faults "bin/ holds '${programs}' instead of the three programs")
endif()

# The console looks for the guide at ../share/kelvor9/guide beside its folder.
expect_file(share/kelvor9/guide/index.html "the guide F1 opens")

# The desktop entry starts an installed program and names an installed icon.
set(entry ${PREFIX}/share/applications/kelvor9.desktop)
if(EXISTS ${entry})
  file(STRINGS ${entry} exec REGEX "^Exec=")
  file(STRINGS ${entry} icon REGEX "^Icon=")
  string(REGEX REPLACE "^Exec=([^ ]+).*" "\\1" exec "${exec}")
  string(REGEX REPLACE "^Icon=" "" icon "${icon}")
  expect_file(bin/${exec} "the desktop entry's program")
  expect_file(share/icons/hicolor/scalable/apps/${icon}.svg "the desktop entry's icon")
else()
  list(APPEND faults "missing share/applications/kelvor9.desktop")
endif()

# The udev rules are an example only: nothing may land where udev reads rules.
expect_file(share/doc/kelvor9/examples/60-kelvor9-ftdi.rules "the udev example")
file(GLOB_RECURSE active_rules ${PREFIX}/lib/udev/* ${PREFIX}/etc/*)
if(active_rules)
  list(APPEND faults "installed where udev or the system reads it: ${active_rules}")
endif()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "install layout:\n  ${text}")
endif()
message(STATUS "install layout OK")
