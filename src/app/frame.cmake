# The frame, its services and the kavo program. The pictures are drawn by
# kavo_artwork at build time and compiled in as resources.
if(KAVO_GUI)
  add_executable(kavo_artwork art/artwork.cpp art/gif_writer.cpp)
  target_link_libraries(kavo_artwork PRIVATE Qt6::Gui)

  set(_kavo_art_dir ${CMAKE_CURRENT_BINARY_DIR}/art)
  set(_kavo_art_files
    ${_kavo_art_dir}/ft1000mp.png ${_kavo_art_dir}/zvonok6.png ${_kavo_art_dir}/anim_bar.gif
    ${_kavo_art_dir}/html.png ${_kavo_art_dir}/doorway.png ${_kavo_art_dir}/3dterm.png
    ${_kavo_art_dir}/globe.png)
  add_custom_command(
    OUTPUT ${_kavo_art_files}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_kavo_art_dir}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:kavo_artwork>
            ${_kavo_art_dir}
    DEPENDS kavo_artwork
    COMMENT "Drawing the program's pictures")

  add_library(kavo_frame STATIC
    form_procedures.cpp
    form_window.cpp
    main_frame.cpp
    printer_setup.cpp
    procedure_registry.cpp
    procedures.cpp
    program.cpp
    sound_player.cpp
    splash_window.cpp
    window_resize_qt.cpp
    window_state_qt.cpp)
  qt_add_resources(kavo_frame kavo_art PREFIX /art BASE ${_kavo_art_dir} FILES ${_kavo_art_files})
  target_link_libraries(kavo_frame PUBLIC kavo_app_core kavo_warnings kavo_message_box_qt
    kavo_cp1251 kavo_expr kavo_forms kavo_station_form kavo_dxcc_form Qt6::Widgets
    Qt6::PrintSupport)

  add_executable(kavo main.cpp)
  target_link_libraries(kavo PRIVATE kavo_frame)

  # Sound is a module of its own, loaded at the first sound, and only where
  # Qt Multimedia is found.
  if(TARGET Qt6::Multimedia)
    add_library(kavo_sound MODULE sound_module.cpp)
    set_target_properties(kavo_sound PROPERTIES PREFIX "")
    target_link_libraries(kavo_sound PRIVATE Qt6::Multimedia)
    add_dependencies(kavo kavo_sound)
  endif()
endif()
