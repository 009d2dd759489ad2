# Fails when a folder includes one above it. The layers stand in this order, each including
# only itself and those before it:
#   base < serial < unit < modem < app < provision < ui
# and the simulated device (tools/devsim) stands on base and serial alone, so that it can
# never lean on the program it is there to test.
#   cmake -DSOURCE_DIR=<checkout> -P layers.cmake
cmake_minimum_required(VERSION 3.25)
set(order base serial unit modem app provision ui)
set(allowed_devsim base serial devsim)

# The layer a path in the checkout belongs to, or "" for none.
function(layer_of path out)
  if(path MATCHES "^src/([a-z]+)/")
    set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
  elseif(path MATCHES "^tools/devsim/")
    set(${out} devsim PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

function(allowed_for layer out)
  if(layer STREQUAL "devsim")
    set(${out} ${allowed_devsim} PARENT_SCOPE)
    return()
  endif()
  list(FIND order ${layer} rank)
  if(rank LESS 0)
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  list(SUBLIST order 0 ${rank} below)
  list(APPEND below ${layer})
  # The front ends stand on everything, the simulated device included (--simulate).
  if(layer STREQUAL "ui")
    list(APPEND below devsim)
  endif()
  set(${out} ${below} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.c
  ${SOURCE_DIR}/tools/*.h ${SOURCE_DIR}/tools/*.cpp ${SOURCE_DIR}/tools/*.c)
set(faults "")
foreach(file ${files})
  layer_of(${file} layer)
  if(layer STREQUAL "")
    continue()
  endif()
  allowed_for(${layer} allowed)
  get_filename_component(folder ${file} DIRECTORY)
  file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" included "${line}")
    # A bare name is the including file's neighbour, or the simulated device's header.
    if(EXISTS ${SOURCE_DIR}/${folder}/${included})
      layer_of(${folder}/${included} target)
    elseif(EXISTS ${SOURCE_DIR}/tools/devsim/${included})
      set(target devsim)
    elseif(EXISTS ${SOURCE_DIR}/src/${included})
      layer_of(src/${included} target)
    else()
      set(target "")  # generated (version.h) or outside the layers
    endif()
    if(NOT target STREQUAL "" AND NOT target IN_LIST allowed)
      list(APPEND faults "${file}: #include \"${included}\": ${layer} may not include ${target}")
    endif()
  endforeach()
endforeach()

list(LENGTH files count)
if(count LESS 50)
  message(FATAL_ERROR "only ${count} source files found under ${SOURCE_DIR}/src and tools")
endif()
if(faults)
  string(REPLACE ";" "\n" faults "${faults}")
  message(FATAL_ERROR "includes that point up (order: base < serial < unit < modem < app < provision < ui; "
                      "tools/devsim on base and serial):\n${faults}")
endif()
message(STATUS "${count} files: every include points down")
