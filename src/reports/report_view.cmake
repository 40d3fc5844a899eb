# The print preview's and the text viewer's logic, without a screen.
add_library(kavo_report_view STATIC
  preview_logic.cpp
  text_file_load.cpp
  text_search.cpp
  text_viewer.cpp)
target_link_libraries(kavo_report_view PUBLIC kavo_warnings kavo_globals kavo_cp1251 kavo_runtime)
