# Journal, locks and transactions.
add_library(kavo_fault_file STATIC fault_file.cpp)
target_link_libraries(kavo_fault_file PUBLIC kavo_store)

kavo_add_gtest(journal_test SOURCES journal_test.cpp LIBS kavo_journal kavo_fault_file)
kavo_add_gtest(journal_locks_test SOURCES journal_locks_test.cpp LIBS kavo_journal kavo_store)

add_library(kavo_journal_store_util STATIC journal_store_util.cpp)
target_link_libraries(kavo_journal_store_util PUBLIC kavo_store)
target_compile_definitions(kavo_journal_store_util PRIVATE
  KAVO_TOOL_PATH="$<TARGET_FILE:kavo-tool>")

kavo_add_gtest(journal_store_test SOURCES journal_store_test.cpp
  LIBS kavo_journal_store_util kavo_fault_file)
add_dependencies(journal_store_test kavo-tool)

kavo_add_gtest(journal_process_test SOURCES journal_process_test.cpp
  LIBS kavo_journal_store_util kavo_store)
add_dependencies(journal_process_test kavo-tool)

kavo_add_gtest(journal_parse_test SOURCES journal_parse_test.cpp
  LIBS kavo_journal_store_util kavo_fault_file LABELS sanitize)
