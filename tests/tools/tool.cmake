kavo_add_gtest(tool_columns_test SOURCES tool_columns_test.cpp LIBS kavo_tool_core LABELS sanitize)

kavo_add_gtest(kavo_tool_test SOURCES kavo_tool_test.cpp LIBS kavo_store kavo_dict LABELS sanitize)
target_compile_definitions(kavo_tool_test PRIVATE KAVO_TOOL_PATH="$<TARGET_FILE:kavo-tool>")
add_dependencies(kavo_tool_test kavo-tool)
