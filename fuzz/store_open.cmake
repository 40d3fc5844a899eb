# Store files of arbitrary bytes opened and walked:
#   build with -DKAVO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++, then run
#   store_open_fuzz -max_total_time=300 -max_len=65536 [corpus]
add_executable(store_open_fuzz store_open_fuzz.cpp)
target_compile_options(store_open_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(store_open_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(store_open_fuzz PRIVATE kavo_store kavo_dict)
