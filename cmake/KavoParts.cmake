# Each area's build lives in *.cmake fragments next to its sources, one per
# library or program, so that separate pieces can be added without touching a
# shared list. A fragment may use targets defined by any other fragment.
macro(kavo_include_fragments)
  file(GLOB _kavo_fragments CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cmake)
  list(SORT _kavo_fragments)
  foreach(_fragment IN LISTS _kavo_fragments)
    include(${_fragment})
  endforeach()
endmacro()

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
