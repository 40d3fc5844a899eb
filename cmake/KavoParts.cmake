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
# the layers above link them. The look-up is a CONFIGURE_DEPENDS glob, so a
# layer folder that appears later (a merge) reconfigures the build by itself.
function(kavo_add_layers)
  foreach(rank IN LISTS KAVO_LAYERS)
    string(REPLACE "," ";" peers "${rank}")
    foreach(layer IN LISTS peers)
      file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/CMakeLists.txt)
      if(found)
        add_subdirectory(${layer})
      endif()
    endforeach()
  endforeach()
endfunction()
