# Fails when a file of the portable core includes anything but a C++ standard header or a
# project header: the core must build with no operating-system or GUI header.
file(GLOB_RECURSE sources
  ${SOURCE_DIR}/src/base/*.h ${SOURCE_DIR}/src/base/*.cpp
  ${SOURCE_DIR}/src/app/*.h ${SOURCE_DIR}/src/app/*.cpp
  ${SOURCE_DIR}/src/serial/*.h ${SOURCE_DIR}/src/serial/*.cpp
  ${SOURCE_DIR}/src/unit/*.h ${SOURCE_DIR}/src/unit/*.cpp
  ${SOURCE_DIR}/src/modem/*.h ${SOURCE_DIR}/src/modem/*.cpp
  ${SOURCE_DIR}/src/provision/*.h ${SOURCE_DIR}/src/provision/*.cpp)
set(bad "")
foreach(f ${sources})
  if(f MATCHES "_(posix|win32)\\.cpp$")
    continue()
  endif()
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*<")
  foreach(line ${lines})
    # Standard headers, and toml++, which is header-only standard C++ (profiles, provision/).
    if(NOT line MATCHES "<[a-z_]+>" AND NOT line MATCHES "<toml\\+\\+/toml\\.h>")
      list(APPEND bad "${f}: ${line}")
    endif()
  endforeach()
endforeach()
list(LENGTH sources count)
if(count LESS 10)
  message(FATAL_ERROR "only ${count} core files found under ${SOURCE_DIR}")
endif()
if(bad)
  string(REPLACE ";" "\n" bad "${bad}")
  message(FATAL_ERROR "platform headers in the portable core:\n${bad}")
endif()
message(STATUS "${count} core files include only standard and project headers")
