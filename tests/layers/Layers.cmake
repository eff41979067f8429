# The layers of the console, bottom up: each source folder and the folders
# whose headers it may include. A folder's own headers are always allowed.
# Dependencies run one way: nothing below includes anything above it. The
# include test (CheckLayers.cmake) holds every source file to this table, and
# the CMake targets link the same way (PRIVATE unless a header needs it).
set(K9_LAYERS base link model script ui editor console scheduler remote app sim)

set(K9_MAY_INCLUDE_base      "")
set(K9_MAY_INCLUDE_link      base)
set(K9_MAY_INCLUDE_model     base)
set(K9_MAY_INCLUDE_script    base model)
set(K9_MAY_INCLUDE_ui        base link model)
set(K9_MAY_INCLUDE_editor    base model script ui)
set(K9_MAY_INCLUDE_console   base link model ui)
set(K9_MAY_INCLUDE_scheduler base model script ui editor)
# Remote control sits above the console's operations and the scheduler,
# beside the wiring of the windows.
set(K9_MAY_INCLUDE_remote    base link model script ui console scheduler)
# app/ holds the entry points of all three programs, the simulator's too.
set(K9_MAY_INCLUDE_app       base link model script ui editor console scheduler remote sim)
# The simulated stimulator is written from the device's side and shares
# nothing with the console.
set(K9_MAY_INCLUDE_sim       "")
