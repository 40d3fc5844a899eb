kavo_add_gtest(expr_test SOURCES expr_test.cpp LIBS kavo_expr LABELS sanitize)
