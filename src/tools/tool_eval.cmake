# The eval command of kavo-tool and the row filter of dump --filter.
add_library(kavo_tool_eval STATIC eval_command.cpp)
target_link_libraries(kavo_tool_eval PUBLIC kavo_expr kavo_cp1251)
if(TARGET kavo-tool)
  target_link_libraries(kavo-tool PRIVATE kavo_tool_eval)
endif()
