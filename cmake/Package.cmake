# Debian packages, one per install component: "corvane" (program, resource modules, man page;
# no GUI library) and "corvane-window" (the Qt window and the desktop integration).
# Dependencies are read from the binaries by dpkg-shlibdeps. Build with cpack -G DEB in the
# build folder. Each package's synopsis is the first line of its component description.

set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "Corvane developers")
set(CPACK_PACKAGE_CONTACT "Corvane developers <corvane@example.org>" CACHE STRING
    "Maintainer field of the Debian packages")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_COMPONENTS_ALL corvane window)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# With dependencies read from the binaries, CPack also adds postinst/postrm scripts that run
# ldconfig for any shared object under /usr/lib/*/: needless for the private modules but
# harmless, and no setting of CMake 3.25 drops them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_CORVANE_PACKAGE_NAME corvane)
set(CPACK_COMPONENT_CORVANE_DESCRIPTION
    "802.1X wireless-network profile editor for Orvo handhelds (scripts)
Corvane prepares 802.1X wireless-network profiles for Orvo handhelds: the
outer EAP method (EAP-TLS, EAP-TTLS, EAP-PEAP or LEAP), the tunneled method,
identities, passwords, CA certificates and an optional client certificate
with its private key. It writes the profile into a profile database (.odb)
that is then installed on the handheld, and opens such files again.

This package holds the program and its translations. It runs command
scripts without a window and needs no graphical libraries, so it also
serves on servers; install corvane-window for the main window.")

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME corvane-window)
set(CPACK_DEBIAN_WINDOW_PACKAGE_SECTION net)
set(CPACK_COMPONENT_WINDOW_DEPENDS corvane)
set(CPACK_COMPONENT_WINDOW_DESCRIPTION
    "802.1X wireless-network profile editor for Orvo handhelds (window)
Corvane prepares 802.1X wireless-network profiles for Orvo handhelds and
writes them into profile databases (.odb) that are then installed on the
handheld.

This package adds Corvane's main window, its help, the desktop menu entry
and the file type that opens profile databases in Corvane from the file
manager.")
if(TARGET corvane-window)
  # The window needs a platform plugin, which the Qt libraries only recommend, and Qt's own
  # translations for its standard buttons and file dialog in the user's language.
  set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
endif()

include(CPack)
