# Journal, locks and transactions.
add_library(kavo_fault_file STATIC fault_file.cpp)
target_link_libraries(kavo_fault_file PUBLIC kavo_store)

kavo_add_gtest(journal_test SOURCES journal_test.cpp LIBS kavo_journal kavo_fault_file)
kavo_add_gtest(journal_locks_test SOURCES journal_locks_test.cpp LIBS kavo_journal kavo_store)
