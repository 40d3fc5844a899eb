kavo_add_gtest(adif_reader_test SOURCES adi_reader_test.cpp adx_reader_test.cpp
  LIBS kavo_adif LABELS sanitize)
kavo_add_gtest(adif_mapping_test SOURCES contact_mapping_test.cpp LIBS kavo_adif)
kavo_add_gtest(adif_import_test SOURCES adif_import_test.cpp adif_fault_test.cpp
  LIBS kavo_adif kavo_fault_file)
target_include_directories(adif_import_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/store
  ${CMAKE_SOURCE_DIR}/tests/data)
