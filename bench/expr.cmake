# kavo-bench-expr: compiled filters against a bound record buffer, and the
# filter's share of a filtered full scan of the log.
if(TARGET kavo_store)
  add_executable(kavo-bench-expr expr_bench.cpp store_bench_rows.cpp)
  target_include_directories(kavo-bench-expr PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(kavo-bench-expr PRIVATE kavo_expr kavo_store kavo_dict)
endif()
