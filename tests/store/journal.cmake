# Journal, locks and transactions. The in-memory and POSIX files come from the
# store library once it exists.
if(TARGET kavo_store)
  set(_kavo_journal_files kavo_store)
else()
  add_library(kavo_journal_files STATIC ${CMAKE_SOURCE_DIR}/src/store/mem_file.cpp
                                        ${CMAKE_SOURCE_DIR}/src/store/posix_file.cpp)
  target_link_libraries(kavo_journal_files PUBLIC kavo_errors)
  set(_kavo_journal_files kavo_journal_files)
endif()
add_library(kavo_fault_file STATIC fault_file.cpp)
target_link_libraries(kavo_fault_file PUBLIC ${_kavo_journal_files})

kavo_add_gtest(journal_test SOURCES journal_test.cpp LIBS kavo_journal kavo_fault_file)
kavo_add_gtest(journal_locks_test SOURCES journal_locks_test.cpp LIBS kavo_journal ${_kavo_journal_files})
