kavo_add_gtest(store_property_test SOURCES store_property_test.cpp LIBS kavo_store)
kavo_add_gtest(store_test SOURCES store_test.cpp LIBS kavo_store)
kavo_add_gtest(page_map_test SOURCES page_map_test.cpp LIBS kavo_store LABELS sanitize)
kavo_add_gtest(mapped_start_test SOURCES mapped_start_test.cpp LIBS kavo_store LABELS sanitize)
kavo_add_gtest(store_corrupt_test SOURCES store_corrupt_test.cpp LIBS kavo_store LABELS sanitize)
kavo_add_gtest(store_hold_test SOURCES store_hold_test.cpp LIBS kavo_journal_store_util kavo_store)
kavo_add_gtest(store_reserve_test SOURCES store_reserve_test.cpp
  LIBS kavo_journal_store_util kavo_fault_file)
add_dependencies(store_reserve_test kavo-tool)
kavo_add_gtest(cipher_test SOURCES cipher_test.cpp
  LIBS kavo_journal_store_util kavo_fault_file LABELS sanitize)
kavo_add_gtest(store_limits_test SOURCES store_limits_test.cpp LIBS kavo_journal_store_util)
add_dependencies(store_limits_test kavo-tool)
