# The layer check, run by ctest as
#   cmake -DKAVO_SOURCE_DIR=<repo> -P cmake/CheckLayers.cmake
# It reads every source file under src/<layer>/ and tests/<layer>/ and fails
# when
#   - a file includes "<other>/..." of a layer that is not below its own in
#     KAVO_LAYERS (cmake/KavoLayers.cmake), peers included;
#   - a file outside src/app and tests/app includes a Qt header;
#   - a folder under src/ or tests/ is not a layer of KAVO_LAYERS.
# Includes of headers that are no layer's ("fault_file.h", <vector>) pass.
cmake_minimum_required(VERSION 3.25)
if(NOT KAVO_SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DKAVO_SOURCE_DIR=<repo> -P CheckLayers.cmake")
endif()
include(${KAVO_SOURCE_DIR}/cmake/KavoLayers.cmake)

# Layers that may use Qt.
set(qt_layers app)

set(rank 0)
set(layers "")
foreach(group IN LISTS KAVO_LAYERS)
  string(REPLACE "," ";" peers "${group}")
  foreach(layer IN LISTS peers)
    set(rank_of_${layer} ${rank})
    list(APPEND layers ${layer})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()

set(faults "")
foreach(top src tests)
  file(GLOB folders LIST_DIRECTORIES true RELATIVE ${KAVO_SOURCE_DIR}/${top}
       ${KAVO_SOURCE_DIR}/${top}/*)
  foreach(folder IN LISTS folders)
    if(NOT IS_DIRECTORY ${KAVO_SOURCE_DIR}/${top}/${folder})
      continue()
    endif()
    if(NOT folder IN_LIST layers)
      list(APPEND faults "${top}/${folder}: not a layer of KAVO_LAYERS in cmake/KavoLayers.cmake")
      continue()
    endif()
    file(GLOB_RECURSE files RELATIVE ${KAVO_SOURCE_DIR}
         ${KAVO_SOURCE_DIR}/${top}/${folder}/*.h ${KAVO_SOURCE_DIR}/${top}/${folder}/*.cpp)
    foreach(file IN LISTS files)
      file(STRINGS ${KAVO_SOURCE_DIR}/${file} includes
           REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
      foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" header
               "${line}")
        if(header MATCHES "^Q[A-Za-z]*$|^Qt[A-Za-z]*/" AND NOT folder IN_LIST qt_layers)
          list(APPEND faults "${file}: includes Qt <${header}> below the windows")
        endif()
        if(header MATCHES "^([a-z_]+)/")
          set(used ${CMAKE_MATCH_1})
          if(used IN_LIST layers AND NOT used STREQUAL folder
             AND NOT rank_of_${used} LESS rank_of_${folder})
            list(APPEND faults "${file}: layer ${folder} includes \"${header}\" of layer ${used}")
          endif()
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Layer rule broken:\n  ${text}")
endif()
message(STATUS "Layer rule kept in src/ and tests/")
