# Laying out and writing the band report for 10,000 contacts.
add_executable(kavo-bench-report report_bench.cpp report_bench_output.cpp)
target_link_libraries(kavo-bench-report PRIVATE kavo_reports)
