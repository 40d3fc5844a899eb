# kavo-tool: a dispatcher (tool_main.cpp) and one source file per command.
# Another part of the program contributes a command with its own fragment
# sorted after this one (for example tool_eval.cmake) that links its library
# into kavo-tool; the dispatcher picks up its header (tools/<name>_command.h)
# by itself.
add_library(kavo_tool_core STATIC tool_columns.cpp tool_tsv.cpp)
target_link_libraries(kavo_tool_core PUBLIC kavo_dict kavo_cp1251 kavo_runtime)

add_executable(kavo-tool
  tool_main.cpp
  tool_common.cpp
  create_command.cpp
  tables_command.cpp
  dump_command.cpp
  load_command.cpp
  check_command.cpp
  rebuild_command.cpp)
target_link_libraries(kavo-tool PRIVATE kavo_tool_core kavo_store kavo_keys kavo_dict)
