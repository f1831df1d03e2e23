# cpack -G DEB: the Debian package `lotarin`, built from the same install rules as
# cmake --install (cmake/Install.cmake) with the prefix /usr, plus what only a Debian
# package carries: its copyright file, its changelog and its lintian overrides.

set(CPACK_PACKAGE_NAME lotarin)
set(CPACK_PACKAGE_VENDOR "${LOTARIN_MAKER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Lotarin maintainers <lotarin@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://lotarin.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "prize drawing (raffle) tool with a Japanese interface")
# Debian shows the long description as it stands, so its lines are wrapped here.
set(CPACK_PACKAGE_DESCRIPTION
"Lotarin runs a raffle at a party or a meeting. The operator keeps a list of
up to 40 participants and a list of up to 40 prizes, ticks the entries that
take part and presses one button: every participant on the draw sheet is
handed a randomly chosen prize, and the winners see their prize in red.
The draw sheet can be printed.

The user interface is in Japanese. The two lists are kept in small text files
in the directory the program is started from. The program is run as Tombal.")
set(CPACK_STRIP_FILES ON)
# Directories the install creates on the way, whatever the umask of whoever packages.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "__pycache__")

if(UNIX AND NOT APPLE)
  set(CPACK_GENERATOR DEB)
  # The /usr prefix and the changelog check, for the DEB generator alone.
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageGenerators.cmake)

  set(CPACK_DEBIAN_PACKAGE_NAME ${CPACK_PACKAGE_NAME})
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${CPACK_PACKAGE_HOMEPAGE_URL}")
  set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
  # md5sums and the other control files 0644, as dpkg-deb would make them.
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  find_program(LOTARIN_DPKG dpkg)
  if(LOTARIN_DPKG)
    execute_process(COMMAND ${LOTARIN_DPKG} --print-architecture
                    OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()

  # dpkg-shlibdeps finds the Qt libraries the program links; it cannot see what is loaded at
  # run time: the X11 platform plugin, a font with Japanese glyphs for the whole UI, and
  # libcups, asked whether a print queue takes jobs.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "fonts-ipafont-gothic | fonts-ipafont | fonts-noto-cjk, qt6-qpa-plugins, libcups2")
  # Qt's own dialogs (saving the sheet as PDF) speak Japanese with Qt's translations.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")

  set(_lotarin_deb_dist ${PROJECT_SOURCE_DIR}/dist/debian)
  # cpack, not configuring, checks that the changelog names this version: a version bump
  # without a changelog entry stops the package, not everyone's build.
  set(CPACK_LOTARIN_CHANGELOG ${_lotarin_deb_dist}/changelog)
  set(CPACK_LOTARIN_DEB_VERSION "${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")

  # gzip -n: no name or time stamp in the header, so every build gives the same bytes.
  find_program(LOTARIN_GZIP gzip REQUIRED)
  set(_lotarin_changelog ${PROJECT_BINARY_DIR}/dist/changelog.Debian)
  add_custom_command(OUTPUT ${_lotarin_changelog}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${_lotarin_deb_dist}/changelog ${_lotarin_changelog}
    COMMAND ${LOTARIN_GZIP} -9nf ${_lotarin_changelog}
    DEPENDS ${_lotarin_deb_dist}/changelog
    COMMENT "Compressing changelog.Debian" VERBATIM)
  add_custom_target(lotarin_deb_changelog ALL DEPENDS ${_lotarin_changelog}.gz)

  # Only in the package: a plain cmake --install gets none of these. Their component is
  # left out of every default install and named to cpack beside the rest.
  set(_lotarin_docdir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_DEBIAN_PACKAGE_NAME})
  install(FILES ${_lotarin_deb_dist}/copyright ${_lotarin_changelog}.gz
          DESTINATION ${_lotarin_docdir} COMPONENT debian EXCLUDE_FROM_ALL)
  install(FILES ${_lotarin_deb_dist}/lintian-overrides RENAME ${CPACK_DEBIAN_PACKAGE_NAME}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides COMPONENT debian EXCLUDE_FROM_ALL)
  set(CPACK_INSTALL_CMAKE_PROJECTS
      "${PROJECT_BINARY_DIR};${PROJECT_NAME};ALL;/"
      "${PROJECT_BINARY_DIR};${PROJECT_NAME};debian;/")
endif()

include(CPack)
