# The starting country list of kavo-tool init and seed-dxcc.
add_library(kavo_tool_seed STATIC dxcc_seed.cpp seed_dxcc_command.cpp)
target_link_libraries(kavo_tool_seed PUBLIC kavo_data kavo_store kavo_dict kavo_cp1251)
if(TARGET kavo-tool)
  target_link_libraries(kavo-tool PRIVATE kavo_tool_seed)
endif()
if(TARGET kavo_tool_init)
  target_link_libraries(kavo_tool_init PUBLIC kavo_tool_seed)
endif()
