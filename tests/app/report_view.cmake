if(KAVO_GUI)
  kavo_add_gtest(report_view_qt_test
    SOURCES qt_environment.cpp report_preview_test.cpp text_viewer_window_test.cpp
    LIBS kavo_frame Qt6::Test
    LABELS gui)
endif()
