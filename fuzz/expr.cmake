# Filter expressions parsed and evaluated on arbitrary input:
#   build with -DKAVO_FUZZ=ON -DKAVO_SANITIZE=ON -DCMAKE_CXX_COMPILER=clang++,
#   then run expr_fuzz -max_total_time=300 -max_len=4096
add_executable(expr_fuzz expr_fuzz.cpp)
target_compile_options(expr_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(expr_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(expr_fuzz PRIVATE kavo_expr)
