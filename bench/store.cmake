# kavo-bench-store: the QSO log table against SQLite with the same rows and
# keys (load, scan, get, page, size).
find_package(SQLite3 REQUIRED)
add_executable(kavo-bench-store store_bench.cpp store_bench_rows.cpp)
target_link_libraries(kavo-bench-store PRIVATE kavo_store kavo_dict SQLite::SQLite3)
