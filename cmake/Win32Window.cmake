# The native window of the Windows build: the Win32 front end under src/ui/win32/, linked into
# the program, and the window's resources (templates, menu, shortcuts) made for each language
# from one template and the same translation tables as the string resources.
if(NOT WIN32)
  return()
endif()

# window_<language>.rc from the template and the language's table (English where it has none).
function(corvane_window_rc language table out_var)
  set(output ${CMAKE_BINARY_DIR}/res/window_${language}.rc)
  set(english ${CMAKE_SOURCE_DIR}/src/res/strings_en.inc)
  set(template ${CMAKE_SOURCE_DIR}/src/res/win32/window.rc.in)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${template} -DTABLE=${table} -DFALLBACK=${english}
            -DOUTPUT=${output} -P ${CMAKE_SOURCE_DIR}/cmake/GenerateWindowRc.cmake
    DEPENDS ${template} ${table} ${english} ${CMAKE_SOURCE_DIR}/cmake/GenerateWindowRc.cmake
            ${CMAKE_SOURCE_DIR}/src/ui/win32/resource_ids.h
    COMMENT "Window resources for ${language}"
    VERBATIM)
  set(${out_var} ${output} PARENT_SCOPE)
endfunction()
corvane_window_rc(en ${CMAKE_SOURCE_DIR}/src/res/strings_en.inc CORVANE_WINDOW_RC_EN)
corvane_window_rc(de ${CMAKE_SOURCE_DIR}/src/res/strings_de.inc CORVANE_WINDOW_RC_DE)

set(CORVANE_WIN32_DEFINITIONS UNICODE _UNICODE)
file(GLOB CORVANE_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui/win32/*.cpp)
add_library(corvane_win32 STATIC ${CORVANE_WIN32_SOURCES})
target_compile_definitions(corvane_win32 PRIVATE ${CORVANE_WIN32_DEFINITIONS})
# Every one of these ships with Windows.
target_link_libraries(corvane_win32 PUBLIC corvane_core comctl32 comdlg32 shell32 msimg32
                      htmlhelp gdi32 user32)

# The built-in window resources and the About bitmap, for the program, its tests and benchmarks.
add_library(corvane_win32_resources OBJECT ${CORVANE_WINDOW_RC_EN}
            ${CMAKE_SOURCE_DIR}/src/res/win32/program.rc)
target_include_directories(corvane_win32_resources PRIVATE ${CMAKE_SOURCE_DIR}/src
                           ${CMAKE_SOURCE_DIR}/src/res)

# Window start-up to first paint against a plain dialog of the same template
# (bench/win32_window_bench.sh runs both under Wine).
foreach(name win32_first_paint win32_minimal_dialog)
  add_executable(${name} EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/${name}.cpp
                 $<TARGET_OBJECTS:corvane_win32_resources>)
  target_compile_definitions(${name} PRIVATE ${CORVANE_WIN32_DEFINITIONS})
  target_link_options(${name} PRIVATE -mwindows)
endforeach()
target_link_libraries(win32_first_paint PRIVATE corvane_win32)
target_link_libraries(win32_minimal_dialog PRIVATE comctl32 user32)
