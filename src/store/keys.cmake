add_library(kavo_keys STATIC key_codec.cpp key_codec_tables.cpp)
target_link_libraries(kavo_keys PUBLIC kavo_runtime)
