# The init command of kavo-tool: a working directory with the tables and the
# station record.
add_library(kavo_tool_init STATIC init_command.cpp)
target_link_libraries(kavo_tool_init PUBLIC kavo_store kavo_dict kavo_cp1251)
if(TARGET kavo-tool)
  target_link_libraries(kavo-tool PRIVATE kavo_tool_init)
endif()
