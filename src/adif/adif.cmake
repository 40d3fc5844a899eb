# ADIF import and export: the readers and writers of both formats, the
# mapping between contacts and ADIF records, and the import and export jobs.
# The .adx reader parses with expat (streaming, small, kept in Debian).
find_package(EXPAT REQUIRED)
add_library(kavo_adif STATIC
  adi_reader.cpp
  adif_export.cpp
  adif_import.cpp
  adif_record.cpp
  adif_writers.cpp
  adx_reader.cpp
  contact_mapping.cpp
  text_encoding.cpp)
target_include_directories(kavo_adif PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
target_link_libraries(kavo_adif PUBLIC kavo_log_rules kavo_data kavo_cp1251 PRIVATE EXPAT::EXPAT)
