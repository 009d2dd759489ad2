# What a user installs: a Debian package of the Linux programs (CPack's DEB generator, its
# dependencies worked out by dpkg-shlibdeps) and a zip of the Windows programs. scripts/package
# builds both.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VENDOR "The Tarnwick developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Tarnwick developers <tarnwick@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set up a KORDIN 7190 telemetry unit over a serial port")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # The zip holds the two programs, how to run them and the licence, with Windows line ends.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME tarnwick-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  foreach(text README-windows.txt:README.txt ../LICENSE:LICENSE.txt)
    string(REPLACE ":" ";" pair ${text})
    list(GET pair 0 from)
    list(GET pair 1 to)
    file(READ ${PROJECT_SOURCE_DIR}/docs/${from} content)
    string(REPLACE "\r\n" "\n" content "${content}")
    string(REPLACE "\n" "\r\n" content "${content}")
    file(WRITE ${PROJECT_BINARY_DIR}/zip/${to} "${content}")
    install(FILES ${PROJECT_BINARY_DIR}/zip/${to} DESTINATION .)
  endforeach()
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/tarnwick")
  # The extended description, below the summary CPack puts first: lines of at most 80
  # characters, as the package tools show it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tarnwick is the tool with which a field service engineer sets up a KORDIN 7190
telemetry unit and the cellular modem inside it over one serial port: the
unit's polling period, own address and telephone numbers, and the modem's
packet-data settings, each read back.
.
The package holds the window (tarnwick), the command-line program for
provisioning with read-back verification (tarnwick-cli) and a simulated unit
and modem (tarnwick-devsim).
.
Serial ports need membership of the dialout group: sudo adduser USER dialout,
then log in again.")

  # The man pages are plain roff, compressed as Debian keeps them.
  find_program(GZIP gzip)
  set(manPages tarnwick.1 tarnwick-cli.1 tarnwick-devsim.1 )
  set(compressed)
  foreach(page ${manPages})
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${GZIP} -9n -c ${PROJECT_SOURCE_DIR}/docs/man/${page} > ${PROJECT_BINARY_DIR}/man/${page}.gz
      DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page} VERBATIM)
    list(APPEND compressed ${PROJECT_BINARY_DIR}/man/${page}.gz)
  endforeach()
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
    COMMAND ${GZIP} -9n -c ${PROJECT_SOURCE_DIR}/docs/changelog > ${PROJECT_BINARY_DIR}/changelog.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/changelog VERBATIM)
  add_custom_target(tarnwick_package_docs ALL DEPENDS ${compressed} ${PROJECT_BINARY_DIR}/changelog.gz)
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set(docDir ${CMAKE_INSTALL_DATADIR}/doc/tarnwick)
  install(FILES ${PROJECT_BINARY_DIR}/changelog.gz README.md DESTINATION ${docDir})
  install(FILES docs/copyright DESTINATION ${docDir})
  # The README is short and links to the user guide in docs/: the guide goes beside it under
  # the same relative names, so that its links hold in the installed copy too.
  file(GLOB guide CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.md ${PROJECT_SOURCE_DIR}/docs/*.png)
  install(FILES ${guide} DESTINATION ${docDir}/docs)
endif()

include(CPack)
