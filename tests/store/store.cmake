kavo_add_gtest(store_property_test SOURCES store_property_test.cpp LIBS kavo_store)
kavo_add_gtest(store_test SOURCES store_test.cpp LIBS kavo_store)
kavo_add_gtest(store_corrupt_test SOURCES store_corrupt_test.cpp LIBS kavo_store LABELS sanitize)
