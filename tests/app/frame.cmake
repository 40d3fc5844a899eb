if(KAVO_GUI)
  kavo_add_gtest(main_frame_test
    SOURCES qt_environment.cpp main_frame_test.cpp window_resize_qt_test.cpp gif_writer_test.cpp
      ${CMAKE_SOURCE_DIR}/src/app/art/gif_writer.cpp
    LIBS kavo_frame Qt6::Test
    LABELS gui)
endif()
if(KAVO_GUI)
  kavo_add_gtest(form_window_test
    SOURCES qt_environment.cpp form_window_test.cpp
    LIBS kavo_frame Qt6::Test
    LABELS gui)
endif()
