kavo_add_gtest(errors_test SOURCES errors_test.cpp LIBS kavo_errors LABELS sanitize)
