# The station setup form, a description for the form pattern (no screen).
add_library(kavo_station_form STATIC station_setup_form.cpp)
target_link_libraries(kavo_station_form PUBLIC kavo_forms PRIVATE kavo_data)
