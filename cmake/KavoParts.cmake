# kavo_add_gtest(NAME SOURCES a.cpp ... LIBS lib ... [LABELS l ...])
# A GoogleTest executable registered with ctest. The label "sanitize" marks
# tests that test.sh also runs under AddressSanitizer and UBSan (parsers,
# file readers, corruption); the label "gui" marks tests that need Qt.
function(kavo_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} PROPERTIES LABELS "${T_LABELS}" DISCOVERY_TIMEOUT 60)
endfunction()

# kavo_add_layers(): adds the subfolder of every layer of KAVO_LAYERS that has
# a CMakeLists.txt, lowest layer first, so that a layer's targets exist before
# the layers above link them.
macro(kavo_add_layers)
  foreach(_kavo_rank IN LISTS KAVO_LAYERS)
    string(REPLACE "," ";" _kavo_peers "${_kavo_rank}")
    foreach(_kavo_layer IN LISTS _kavo_peers)
      if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${_kavo_layer}/CMakeLists.txt)
        add_subdirectory(${_kavo_layer})
      endif()
    endforeach()
  endforeach()
endmacro()
