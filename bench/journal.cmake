# kavo-bench-journal: durable single-row commits and a load in one
# transaction, against SQLite with the same guarantee.
find_package(SQLite3 REQUIRED)
add_executable(kavo-bench-journal journal_bench.cpp store_bench_rows.cpp)
target_include_directories(kavo-bench-journal PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kavo-bench-journal PRIVATE kavo_store kavo_dict SQLite::SQLite3)
