# Writes version.h: the project's version and, when built from a git checkout, the description
# of the commit ("1.0 (v1.0-12-g3a4b5c6-dirty)"). Run at every build, so that the description
# follows the commits; the file is rewritten only when its text changes, so nothing rebuilds
# for nothing.
#   cmake -DSOURCE_DIR=... -DOUTPUT=.../version.h -DVERSION=1.0 -P write_version.cmake
set(full "${VERSION}")
find_program(git git)
if(git AND EXISTS "${SOURCE_DIR}/.git")
  execute_process(COMMAND "${git}" describe --tags --always --dirty
    WORKING_DIRECTORY "${SOURCE_DIR}" OUTPUT_VARIABLE described RESULT_VARIABLE failed
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT failed AND described)
    set(full "${VERSION} (${described})")
  endif()
endif()
string(REPLACE "." ";" parts "${VERSION}.0.0")
list(GET parts 0 major)
list(GET parts 1 minor)
list(GET parts 2 patch)
set(text "// Written by cmake/write_version.cmake at build time.
#pragma once
#define TARNWICK_VERSION \"${VERSION}\"
#define TARNWICK_VERSION_FULL \"${full}\"
#define TARNWICK_VERSION_MAJOR ${major}
#define TARNWICK_VERSION_MINOR ${minor}
#define TARNWICK_VERSION_PATCH ${patch}
")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
