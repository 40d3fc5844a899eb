kavo_add_gtest(dxcc_seed_test SOURCES dxcc_seed_test.cpp LIBS kavo_tool_seed kavo_tool_init
  LABELS sanitize)
