# Read by cpack once for each generator it runs (CPACK_PROJECT_CONFIG_FILE, set in
# cmake/Package.cmake), with CPACK_GENERATOR naming that one generator.

if(CPACK_GENERATOR STREQUAL "DEB")
  # Only the binary package goes to /usr; a source archive keeps the tree's own layout.
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

  # Each package version needs its own changelog entry: refuse to build a package whose
  # changelog starts at another version.
  file(STRINGS "${CPACK_LOTARIN_CHANGELOG}" _top LIMIT_COUNT 1)
  if(NOT _top MATCHES "^${CPACK_DEBIAN_PACKAGE_NAME} \\(([^)]+)\\)")
    message(FATAL_ERROR "${CPACK_LOTARIN_CHANGELOG}: the first line names no ${CPACK_DEBIAN_PACKAGE_NAME} version")
  elseif(NOT CMAKE_MATCH_1 STREQUAL CPACK_LOTARIN_DEB_VERSION)
    message(FATAL_ERROR "${CPACK_LOTARIN_CHANGELOG} starts at ${CMAKE_MATCH_1} but the package is "
                        "${CPACK_LOTARIN_DEB_VERSION}: add an entry for ${CPACK_LOTARIN_DEB_VERSION}")
  endif()
endif()
