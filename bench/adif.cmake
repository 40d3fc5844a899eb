# kavo-bench-adif: 100,000 contacts exported to .adi and imported into an
# empty log, against the targets of 2 s and 5 s.
add_executable(kavo-bench-adif adif_bench.cpp)
target_link_libraries(kavo-bench-adif PRIVATE kavo_adif)
