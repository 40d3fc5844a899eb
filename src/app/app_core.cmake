# The application shell's parts that need no screen. kavo_globals holds the
# program-wide variables that every layer shares; kavo_app_core the settings
# file, window placement, resizing and the frame's logic.
add_library(kavo_globals STATIC globals.cpp)

add_library(kavo_app_core STATIC
  frame_logic.cpp
  private_profile.cpp
  window_resize.cpp
  window_state.cpp)
target_link_libraries(kavo_app_core PUBLIC kavo_globals kavo_runtime)
