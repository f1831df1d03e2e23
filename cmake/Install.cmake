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
endif()
