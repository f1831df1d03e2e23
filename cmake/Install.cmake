# cmake --install: the program, and on freedesktop systems its menu entry, icons and
# AppStream description, all named by the application id (cmake/Identity.cmake).

include(GNUInstallDirs)

install(TARGETS Tombal RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(UNIX AND NOT APPLE)
  set(_lotarin_dist ${PROJECT_SOURCE_DIR}/dist/linux)
  set(_lotarin_icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES ${_lotarin_dist}/${LOTARIN_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_lotarin_dist}/${LOTARIN_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # The window icon itself, and the same drum drawn larger for launchers and menus.
  install(FILES ${PROJECT_SOURCE_DIR}/ui/images/icon.png
          DESTINATION ${_lotarin_icons}/32x32/apps RENAME ${LOTARIN_APP_ID}.png)
  install(FILES ${PROJECT_SOURCE_DIR}/ui/images/lotarin-128.png
          DESTINATION ${_lotarin_icons}/128x128/apps RENAME ${LOTARIN_APP_ID}.png)
  # The manual page, gzipped without a name or time stamp so every build gives the same bytes.
  find_program(LOTARIN_GZIP gzip REQUIRED)
  set(_lotarin_man ${PROJECT_BINARY_DIR}/dist/Tombal.1)
  add_custom_command(OUTPUT ${_lotarin_man}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${_lotarin_dist}/Tombal.1 ${_lotarin_man}
    COMMAND ${LOTARIN_GZIP} -9nf ${_lotarin_man}
    DEPENDS ${_lotarin_dist}/Tombal.1 COMMENT "Compressing the manual page" VERBATIM)
  add_custom_target(lotarin_manpage ALL DEPENDS ${_lotarin_man}.gz)
  install(FILES ${_lotarin_man}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
