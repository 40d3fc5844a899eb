kavo_add_gtest(full_disk_test SOURCES full_disk_test.cpp LIBS kavo_store)
