# The import and export commands of kavo-tool: the log to and from ADIF.
add_library(kavo_tool_adif STATIC adif_command.cpp)
target_link_libraries(kavo_tool_adif PUBLIC kavo_adif)
if(TARGET kavo-tool)
  target_link_libraries(kavo-tool PRIVATE kavo_tool_adif)
endif()
