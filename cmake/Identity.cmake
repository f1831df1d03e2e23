# Who the program says it is: the generated version header, the names the desktop matches
# the program by, and on Windows the version record and icon inside Tombal.exe.

set(LOTARIN_NAME "Lotarin")
set(LOTARIN_MAKER "Lotarin project")
set(LOTARIN_COPYRIGHT "Copyright (C) Lotarin project")
# Names the desktop entry, the installed icons and the AppStream component. example.org is
# reserved for documentation, so the id points at nobody's real domain.
set(LOTARIN_APP_ID "org.example.lotarin")

# Users see the version as the major number and the minor number in two digits: 4.3 -> "4.03".
if(Lotarin_VERSION_MINOR LESS 10)
  set(LOTARIN_DISPLAY_VERSION "${Lotarin_VERSION_MAJOR}.0${Lotarin_VERSION_MINOR}")
else()
  set(LOTARIN_DISPLAY_VERSION "${Lotarin_VERSION_MAJOR}.${Lotarin_VERSION_MINOR}")
endif()

set(LOTARIN_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/shell/version.h.in ${LOTARIN_GENERATED_DIR}/lotarin_version.h @ONLY)
target_include_directories(lotarin_core PUBLIC ${LOTARIN_GENERATED_DIR})

# The resource script is generated on every platform so that a check on other systems can
# compile it; only Windows builds it into the program.
set(LOTARIN_ICO ${PROJECT_SOURCE_DIR}/ui/images/Tombal.ico)
set(LOTARIN_RC ${LOTARIN_GENERATED_DIR}/Tombal.rc)
configure_file(${PROJECT_SOURCE_DIR}/platform/windows/Tombal.rc.in ${LOTARIN_RC} @ONLY)
# The same names for the installer (scripts/windows hands it to makensis).
configure_file(${PROJECT_SOURCE_DIR}/dist/windows/Identity.nsh.in ${LOTARIN_GENERATED_DIR}/Identity.nsh @ONLY)
if(WIN32)
  enable_language(RC)
  target_sources(Tombal PRIVATE ${LOTARIN_RC})
endif()
