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
