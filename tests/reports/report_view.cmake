kavo_add_gtest(report_view_test
  SOURCES preview_logic_test.cpp text_viewer_test.cpp
  LIBS kavo_report_view)
