# Environment-file parser on arbitrary text: environment_fuzz -max_total_time=60
add_executable(environment_fuzz environment_fuzz.cpp)
target_compile_options(environment_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(environment_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(environment_fuzz PRIVATE kavo_runtime)
