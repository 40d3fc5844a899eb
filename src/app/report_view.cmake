# The windows of the print preview and the text viewer, the page renderer,
# PDF writing and printing: part of the frame's library, since the frame
# registers them and they use its window services.
if(KAVO_GUI)
  target_sources(kavo_frame PRIVATE
    file_dialog.cpp
    page_output.cpp
    page_painter.cpp
    procedure_window.cpp
    progress_window.cpp
    report_fonts.cpp
    report_preview.cpp
    text_viewer_window.cpp)
  target_link_libraries(kavo_frame PUBLIC kavo_report_view kavo_reports)
endif()
