# Install layout: the program and everything it looks for beside itself (window module,
# resource modules, help file) share one private folder; the program's folder is found through
# /proc/self/exe, so a relative link in bin/ is all the command path needs and any prefix works.
#
# Components: "corvane" runs scripts on a machine without any GUI library; "window" adds the
# Qt window and the desktop integration.

include(GNUInstallDirs)

set(CORVANE_APP_ID "org.corvane.corvane" CACHE STRING
    "Reverse-DNS application id: desktop entry and AppStream metainfo names")
if(TARGET corvane-window)
  # The window names its desktop entry, so that docks group it under its launcher.
  target_compile_definitions(corvane-window PRIVATE CORVANE_APP_ID="${CORVANE_APP_ID}")
endif()
set(CORVANE_SCREENSHOT_URL "https://corvane.org/docs/screenshot-main.png" CACHE STRING
    "Published location of docs/screenshot-main.png (tools/screenshot.sh), named in the metainfo")
set(CORVANE_PRIVATE_DIR "lib/corvane")
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(_corvane_packaging ${CMAKE_SOURCE_DIR}/packaging)
set(_corvane_staging ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${_corvane_staging})

# The program, its link and the resource modules (every Corvane_<language> module target).
install(TARGETS corvane RUNTIME DESTINATION ${CORVANE_PRIVATE_DIR} COMPONENT corvane)
file(RELATIVE_PATH _corvane_link_target ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${CORVANE_PRIVATE_DIR}/corvane)
file(CREATE_LINK ${_corvane_link_target} ${_corvane_staging}/corvane SYMBOLIC)
install(FILES ${_corvane_staging}/corvane DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT corvane)

get_property(_corvane_targets DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
foreach(_target IN LISTS _corvane_targets)
  get_target_property(_type ${_target} TYPE)
  if(_type STREQUAL "MODULE_LIBRARY" AND _target MATCHES "^Corvane_[A-Za-z0-9]+$")
    install(TARGETS ${_target} LIBRARY DESTINATION ${CORVANE_PRIVATE_DIR} COMPONENT corvane)
  endif()
endforeach()

# Man page: scdoc turns the source into roff at build time; Debian ships man pages compressed.
find_program(CORVANE_SCDOC scdoc)
find_program(CORVANE_GZIP gzip REQUIRED)
if(CORVANE_SCDOC)
  set(_man_source ${CMAKE_SOURCE_DIR}/docs/corvane.1.scd)
  set(_man_page ${_corvane_staging}/corvane.1)
  add_custom_command(
    OUTPUT ${_man_page}.gz
    # Dated by the newest change-log entry, so that a rebuild gives the same page.
    COMMAND sh -c "SOURCE_DATE_EPOCH=$(date -d \"$(sed -n 's/^ -- .*>  //p' \"$3\" | head -n 1)\" +%s) \"$0\" < \"$1\" > \"$2\""
            ${CORVANE_SCDOC} ${_man_source} ${_man_page} ${_corvane_packaging}/changelog
    COMMAND ${CORVANE_GZIP} -9nf ${_man_page}
    DEPENDS ${_man_source} ${_corvane_packaging}/changelog
    COMMENT "Building the corvane(1) man page"
    VERBATIM)
  add_custom_target(corvane_man ALL DEPENDS ${_man_page}.gz)
  install(FILES ${_man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT corvane)
else()
  message(WARNING "scdoc not found: the corvane(1) man page is not built")
endif()

# Debian wants a copyright file and a compressed change log in each package's doc folder.
add_custom_command(
  OUTPUT ${_corvane_staging}/changelog.gz
  COMMAND sh -c "\"$0\" -9nc \"$1\" > \"$2\"" ${CORVANE_GZIP} ${_corvane_packaging}/changelog
          ${_corvane_staging}/changelog.gz
  DEPENDS ${_corvane_packaging}/changelog
  VERBATIM)
add_custom_target(corvane_changelog ALL DEPENDS ${_corvane_staging}/changelog.gz)
foreach(_component corvane window)
  set(_package corvane)
  if(_component STREQUAL "window")
    set(_package corvane-window)
  endif()
  install(FILES ${_corvane_packaging}/copyright ${_corvane_staging}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${_package} COMPONENT ${_component})
endforeach()

# The window module and the help file it shows.
if(TARGET corvane-window)
  install(TARGETS corvane-window LIBRARY DESTINATION ${CORVANE_PRIVATE_DIR} COMPONENT window)
endif()
if(TARGET corvane_help)
  install(FILES ${CMAKE_BINARY_DIR}/Corvane.chm DESTINATION ${CORVANE_PRIVATE_DIR}
          COMPONENT window)
endif()

# Desktop integration: menu entry, icons, the profile database file type, AppStream metainfo.
install(FILES ${_corvane_packaging}/corvane.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        RENAME ${CORVANE_APP_ID}.desktop COMPONENT window)
install(FILES ${_corvane_packaging}/corvane-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME corvane.xml COMPONENT window)
configure_file(${_corvane_packaging}/corvane.metainfo.xml.in
               ${_corvane_staging}/${CORVANE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${_corvane_staging}/${CORVANE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT window)

foreach(_size 16 24 32 48)
  set(_icon ${CMAKE_SOURCE_DIR}/src/res/icons/corvane-${_size}.png)
  if(EXISTS ${_icon})
    install(FILES ${_icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
            RENAME corvane.png COMPONENT window)
  endif()
endforeach()
if(EXISTS ${CMAKE_SOURCE_DIR}/src/res/art/corvane-icon.svg)
  install(FILES ${CMAKE_SOURCE_DIR}/src/res/art/corvane-icon.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME corvane.svg COMPONENT window)
endif()

# The example script of the man page, with the CA certificate it adds.
install(FILES ${CMAKE_SOURCE_DIR}/examples/office.txt ${CMAKE_SOURCE_DIR}/examples/example-ca.pem
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/corvane/examples COMPONENT corvane)

# Lintian tags that do not apply to this layout, each with its reason.
install(FILES ${_corvane_packaging}/lintian/corvane
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides COMPONENT corvane)
install(FILES ${_corvane_packaging}/lintian/corvane-window
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides COMPONENT window)
