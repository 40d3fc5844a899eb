# The country file reader of kavo-tool init and seed-dxcc on arbitrary input:
#   build with -DKAVO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++, then run
#   cty_csv_fuzz -max_total_time=60
add_executable(cty_csv_fuzz cty_csv_fuzz.cpp)
target_compile_options(cty_csv_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(cty_csv_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(cty_csv_fuzz PRIVATE kavo_tool_seed)
