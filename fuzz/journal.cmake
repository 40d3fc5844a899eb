# Store files with pending journals, opened and walked:
#   build with -DKAVO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++, then run
#   journal_fuzz -max_total_time=300 -max_len=65536
add_executable(journal_fuzz journal_fuzz.cpp)
target_compile_options(journal_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(journal_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(journal_fuzz PRIVATE kavo_store)
