add_library(kavo_runtime STATIC
  chartab.cpp
  datetime.cpp
  environment.cpp
  picture.cpp
  picture_date.cpp
  picture_number.cpp
  picture_pattern.cpp
  regional.cpp
  runtime_state.cpp)
target_link_libraries(kavo_runtime PUBLIC kavo_errors)
if(KAVO_FUZZ)
  # Coverage feedback and sanitizers for the fuzz targets reach into the library.
  target_compile_options(kavo_runtime PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  target_link_options(kavo_runtime INTERFACE -fsanitize=address,undefined)
endif()
