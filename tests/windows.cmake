# The core tests built for Windows and run under Wine. Tests of POSIX behaviour (owners and
# modes, flock, fork, unshare, /proc, signals, environment variables read as the locale) stay
# with the Linux build; the behaviours Windows has are tested by the *_win32 files instead.
list(REMOVE_ITEM CORVANE_TEST_SOURCES
     ${CMAKE_CURRENT_SOURCE_DIR}/app/resources_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/certs/certificate_details_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/e2e/command_line_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/e2e/window_mode_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/profile/add_certificate_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/storage/file_access_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/storage/profile_records_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/storage/record_database_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/storage/storage_script_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/ui/window_files_test.cpp
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

# The Win32 window with its real controls, driven in process on a virtual display; and
# corvane.exe in window mode from start to close. One display at a time.
list(REMOVE_ITEM CORVANE_TEST_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/win32/win32_window_test.cpp)
add_executable(win32_window_tests win32/win32_window_test.cpp support/test_support.cpp
               support/test_support_win32.cpp ${CMAKE_BINARY_DIR}/windows/corvane-exe.rc)
target_include_directories(win32_window_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(win32_window_tests PRIVATE corvane_core GTest::gtest GTest::gtest_main)
target_compile_definitions(win32_window_tests PRIVATE
  CORVANE_TEST_DATA_DIR="Z:${CMAKE_CURRENT_SOURCE_DIR}/data"
  CORVANE_EXECUTABLE="Z:$<TARGET_FILE:corvane_console>"
  CORVANE_BINARY_DIR="Z:${CMAKE_BINARY_DIR}")
add_dependencies(win32_window_tests Corvane_deDE)
# A Wine prefix of their own: a Wine server keeps the display of the program that started it,
# and the other tests must not find one.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/wine-run-window CONTENT
"#!/bin/sh
WINEPREFIX='${CMAKE_BINARY_DIR}/wineprefix-window' WINEDEBUG=-all exec '${CORVANE_WINE}' \"$@\"
")
file(CHMOD ${CMAKE_BINARY_DIR}/wine-run-window PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
add_test(NAME win32_window
         COMMAND xvfb-run -a -s "-screen 0 1280x1024x24 -noreset"
                 ${CMAKE_BINARY_DIR}/wine-run-window $<TARGET_FILE:win32_window_tests>)
add_test(NAME win32_window_end_to_end
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/win32/window_e2e.sh
                 ${CMAKE_BINARY_DIR}/wine-run-window ${CMAKE_BINARY_DIR}
                 ${CMAKE_CURRENT_SOURCE_DIR}/data/certs/ca.pem)
set_tests_properties(win32_window win32_window_end_to_end PROPERTIES TIMEOUT 300
                     SKIP_RETURN_CODE 77 RESOURCE_LOCK virtual_display)
