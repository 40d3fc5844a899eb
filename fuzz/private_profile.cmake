# The settings-file reader and writer on arbitrary file contents:
#   build with -DKAVO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++, then run
#   private_profile_fuzz -max_total_time=60
add_executable(private_profile_fuzz private_profile_fuzz.cpp)
target_compile_options(private_profile_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(private_profile_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(private_profile_fuzz PRIVATE kavo_app_core)
