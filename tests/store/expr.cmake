kavo_add_gtest(expr_test SOURCES expr_test.cpp LIBS kavo_expr LABELS sanitize)
kavo_add_gtest(expr_view_test SOURCES expr_view_test.cpp LIBS kavo_expr kavo_dict kavo_store)
kavo_add_gtest(expr_tool_test SOURCES expr_tool_test.cpp LIBS kavo_tool_eval kavo_dict)
