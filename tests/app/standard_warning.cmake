kavo_add_gtest(standard_warning_test SOURCES standard_warning_test.cpp LIBS kavo_warnings)
if(KAVO_GUI)
  kavo_add_gtest(standard_warning_qt_test SOURCES standard_warning_qt_test.cpp
    LIBS kavo_message_box_qt LABELS gui)
endif()
