# The rules of a contact that the entry form and the ADIF import share:
# band plan, value lists, region code, country lookup, next number.
add_library(kavo_log_rules STATIC
  band_plan.cpp
  country_lookup.cpp
  qso_lists.cpp
  qso_number.cpp
  region_code.cpp)
target_include_directories(kavo_log_rules PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
target_link_libraries(kavo_log_rules PUBLIC kavo_dict kavo_store)
