kavo_add_gtest(private_profile_test
  SOURCES private_profile_test.cpp window_state_test.cpp
  LIBS kavo_app_core
  LABELS sanitize)
kavo_add_gtest(window_resize_test
  SOURCES window_resize_test.cpp frame_logic_test.cpp
  LIBS kavo_app_core)
