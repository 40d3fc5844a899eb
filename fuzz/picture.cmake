# Picture compiler, formatter and reader on arbitrary input:
#   build with -DKAVO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++, then run
#   picture_fuzz -max_total_time=60
add_executable(picture_fuzz picture_fuzz.cpp)
target_compile_options(picture_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(picture_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(picture_fuzz PRIVATE kavo_runtime)
