kavo_add_gtest(key_codec_test SOURCES key_codec_test.cpp LIBS kavo_keys kavo_dict LABELS sanitize)
