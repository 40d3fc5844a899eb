# kavo-tool's TSV cells on arbitrary input:
#   build with -DKAVO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++, then run
#   tool_load_fuzz -max_total_time=60
add_executable(tool_load_fuzz tool_load_fuzz.cpp)
target_compile_options(tool_load_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(tool_load_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(tool_load_fuzz PRIVATE kavo_tool_core)
