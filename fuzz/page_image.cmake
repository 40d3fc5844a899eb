# Page image files of arbitrary bytes decoded:
#   build with -DKAVO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++, then run
#   page_image_fuzz -max_total_time=60
add_executable(page_image_fuzz page_image_fuzz.cpp)
target_compile_options(page_image_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(page_image_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(page_image_fuzz PRIVATE kavo_reports)
