# The ADIF readers on arbitrary input:
#   build with -DKAVO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++, then run
#   adi_reader_fuzz -max_total_time=60 (and adx_reader_fuzz)
foreach(_reader adi adx)
  add_executable(${_reader}_reader_fuzz ${_reader}_reader_fuzz.cpp)
  target_compile_options(${_reader}_reader_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${_reader}_reader_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${_reader}_reader_fuzz PRIVATE kavo_adif)
endforeach()
