# The DXCC country form, a description for the form pattern.
add_library(kavo_dxcc_form STATIC update_dxcc_form.cpp)
target_include_directories(kavo_dxcc_form PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
target_link_libraries(kavo_dxcc_form PUBLIC kavo_forms PRIVATE kavo_data)
