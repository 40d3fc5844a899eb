add_library(kavo_cp1251 STATIC cp1251.cpp)

# Procedure contexts, file opening and repair, the integrity routines.
add_library(kavo_data STATIC
  check_open.cpp
  context.cpp
  procedure_files.cpp
  ri_routines.cpp
  transaction_scope.cpp)
target_link_libraries(kavo_data PUBLIC kavo_dict kavo_store kavo_journal kavo_warnings)
