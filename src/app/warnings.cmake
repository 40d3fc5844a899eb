# The standard warnings and the message-box and halt services. No window
# toolkit: the Qt message box lives in its own library below.
add_library(kavo_warnings STATIC
  standard_warning.cpp
  message_box.cpp
  message_box_scripted.cpp
  halt.cpp)
target_link_libraries(kavo_warnings PUBLIC kavo_globals kavo_cp1251 kavo_runtime kavo_errors)

if(KAVO_GUI)
  add_library(kavo_message_box_qt STATIC message_box_qt.cpp)
  target_link_libraries(kavo_message_box_qt PUBLIC kavo_warnings Qt6::Widgets)
endif()
