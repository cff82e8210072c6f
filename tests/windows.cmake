# The core tests built for Windows and run under Wine. Tests of POSIX behaviour (owners and
# modes, flock, fork, unshare, /proc, signals, environment variables read as the locale) stay
# with the Linux build; the behaviours Windows has are tested by the *_win32 files instead.
list(REMOVE_ITEM CORVANE_TEST_SOURCES
     ${CMAKE_CURRENT_SOURCE_DIR}/app/resources_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/certs/certificate_details_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/e2e/command_line_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/e2e/parallel_runs_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/e2e/window_mode_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/profile/add_certificate_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/storage/file_access_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/storage/profile_records_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/storage/record_database_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/storage/storage_script_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/support/module_without_export.cpp)
# The console program runs the scripts, as a batch file would.
set(CORVANE_TEST_PROGRAM corvane_console)
# Wine shows the Linux file system as drive Z:, and the tests run inside Wine.
set(CORVANE_TEST_ROOT "Z:")
# A Wine prefix of the build's own, so that the tests neither need nor change the user's.
# One command (test discovery takes no arguments with it): wine with that prefix, quiet.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/wine-run CONTENT
"#!/bin/sh
WINEPREFIX='${CMAKE_BINARY_DIR}/wineprefix' WINEDEBUG=-all exec '${CORVANE_WINE}' \"$@\"
")
file(CHMOD ${CMAKE_BINARY_DIR}/wine-run PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
# Tests that drive POSIX behaviour from inside portable test files: the locale variables as the
# user's language, a .so module planted in the current folder, ldd, and the openssl command.
# Their Windows counterparts are in win32/.
set(CORVANE_TEST_FILTER
    "-ScriptRunTest.GermanLocaleLogsGermanMessages:ScriptRunTest.ModuleInTheCurrentFolderIsNeverLoaded:ProgramLinkTest.*:CertificateSummaryTest.AgreesWithTheOpensslTool")
