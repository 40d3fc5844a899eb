kavo_add_gtest(log_rules_test SOURCES band_plan_test.cpp region_code_test.cpp
  log_tables_test.cpp LIBS kavo_log_rules)
