kavo_add_gtest(datetime_test SOURCES datetime_test.cpp LIBS kavo_runtime)
kavo_add_gtest(picture_format_test SOURCES picture_format_test.cpp LIBS kavo_runtime)
kavo_add_gtest(picture_input_test SOURCES picture_input_test.cpp LIBS kavo_runtime
  LABELS sanitize)
kavo_add_gtest(chartab_test SOURCES chartab_test.cpp LIBS kavo_runtime)
kavo_add_gtest(environment_test SOURCES environment_test.cpp LIBS kavo_runtime LABELS sanitize)
