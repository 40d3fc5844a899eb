add_library(kavo_store STATIC
  cipher.cpp
  cipher_file.cpp
  header.cpp
  mem_file.cpp
  page.cpp
  page_cache.cpp
  page_map.cpp
  page_reserve.cpp
  mapped_start.cpp
  posix_file.cpp
  record_codec.cpp
  store_file.cpp
  table.cpp
  verify.cpp)
target_link_libraries(kavo_store PUBLIC kavo_keys kavo_errors)
