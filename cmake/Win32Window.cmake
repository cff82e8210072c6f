# The native window of the Windows build (included by Windows.cmake): the Win32 front end under
# src/ui/win32/, part of the program since user32 and comctl32 are always there, and the
# window's templates, menu and shortcuts for each language, made by strings-to-rc.pl from one
# template and the same string tables as the string resources.
function(corvane_window_resources table language sublanguage output)
  set(template ${CMAKE_SOURCE_DIR}/src/res/win32/window.rc.in)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CORVANE_PERL} ${_corvane_strings_to_rc} ${CMAKE_SOURCE_DIR}/src/res/${table}
            ${output} ${language} ${sublanguage} ${template}
    DEPENDS ${CMAKE_SOURCE_DIR}/src/res/${table} ${_corvane_strings_to_rc} ${template}
            ${CMAKE_SOURCE_DIR}/src/ui/win32/resource_ids.h
    COMMENT "Generating the window resources from ${table}"
    VERBATIM)
endfunction()
corvane_window_resources(strings_en.inc LANG_ENGLISH SUBLANG_ENGLISH_US
                         ${_corvane_win_dir}/window_en.rc)
corvane_window_resources(strings_de.inc LANG_GERMAN SUBLANG_GERMAN
                         ${_corvane_win_dir}/window_de.rc)

file(GLOB CORVANE_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui/win32/*.cpp)
target_sources(corvane_core PRIVATE ${CORVANE_WIN32_SOURCES})
# Every one of these ships with Windows. Script mode never shows a window, so the window's own
# DLLs are delay-loaded: a batch run does not pay for loading them, and when the window first
# calls one it comes from the system folder, the only place the program loads DLLs from.
find_program(CORVANE_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)
set(_corvane_delay_dir ${CMAKE_BINARY_DIR}/delay-imports)
file(MAKE_DIRECTORY ${_corvane_delay_dir})
set(_corvane_delay_libs)
foreach(imports "COMCTL32.dll:DefSubclassProc InitCommonControlsEx RemoveWindowSubclass SetWindowSubclass"
             "comdlg32.dll:GetOpenFileNameW GetSaveFileNameW CommDlgExtendedError"
             "MSIMG32.dll:TransparentBlt"
             "hhctrl.ocx:HtmlHelpW"
             "SHELL32.dll:CommandLineToArgvW DragAcceptFiles DragFinish DragQueryFileW")
  string(REPLACE ":" ";" parts "${imports}")
  list(GET parts 0 dll)
  list(GET parts 1 functions)
  string(REPLACE " " "\n" exports "${functions}")
  string(REGEX REPLACE "\\..*$" "" base "${dll}")
  string(TOLOWER "${base}" base)
  file(WRITE ${_corvane_delay_dir}/${base}.def "LIBRARY \"${dll}\"\nEXPORTS\n${exports}\n")
  set(lib ${_corvane_delay_dir}/lib${base}-delay.a)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CORVANE_DLLTOOL} --input-def ${_corvane_delay_dir}/${base}.def --output-delaylib ${lib}
    DEPENDS ${_corvane_delay_dir}/${base}.def VERBATIM)
  list(APPEND _corvane_delay_libs ${lib})
endforeach()
add_custom_target(corvane_delay_imports DEPENDS ${_corvane_delay_libs})
add_dependencies(corvane_core corvane_delay_imports)
target_link_libraries(corvane_core PUBLIC ${_corvane_delay_libs} gdi32)

# Window start-up to first paint against a plain dialog of the same template
# (bench/win32_window_bench.sh runs both under Wine).
foreach(name win32_first_paint win32_minimal_dialog)
  add_executable(${name} EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/${name}.cpp
                 ${_corvane_win_dir}/corvane-exe.rc)
  set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE ON)
endforeach()
target_link_libraries(win32_first_paint PRIVATE corvane_core)
target_link_libraries(win32_minimal_dialog PRIVATE comctl32)
target_include_directories(win32_minimal_dialog PRIVATE ${CMAKE_SOURCE_DIR}/src)
