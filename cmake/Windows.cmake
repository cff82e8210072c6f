# The native Windows build (cross-compiled with MinGW-w64, see tools/build-windows.sh): two
# program files from one code, corvane.exe for the desktop (GUI subsystem) and corvane.com for
# consoles (a console resolves "corvane" to the .com first), and the German resource module
# Corvane_deDE.dll, a resource-only DLL. Everything is linked statically, so the programs need
# only DLLs that Windows itself ships.
enable_language(RC)

set(_corvane_win_dir ${CMAKE_BINARY_DIR}/windows)
file(MAKE_DIRECTORY ${_corvane_win_dir})
set(_corvane_strings_to_rc ${CMAKE_SOURCE_DIR}/cmake/strings-to-rc.pl)
find_program(CORVANE_PERL perl REQUIRED)

# A Windows string table from one of the string tables every build compiles in.
function(corvane_string_table table language sublanguage output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CORVANE_PERL} ${_corvane_strings_to_rc} ${CMAKE_SOURCE_DIR}/src/res/${table}
            ${output} ${language} ${sublanguage}
    DEPENDS ${CMAKE_SOURCE_DIR}/src/res/${table} ${_corvane_strings_to_rc}
    COMMENT "Generating the Windows string table from ${table}"
    VERBATIM)
endfunction()

# The version resource, manifest, icon and strings of one file; FILE is its file name (OriginalFilename).
function(corvane_resource_script output)
  cmake_parse_arguments(ARG "" "TYPE;DESCRIPTION;NAME;FILE;STRINGS;WINDOW;LANGUAGE_BLOCK;TRANSLATION"
                        "" ${ARGN})
  set(CORVANE_FILE_TYPE ${ARG_TYPE})
  set(CORVANE_FILE_DESCRIPTION ${ARG_DESCRIPTION})
  set(CORVANE_INTERNAL_NAME ${ARG_NAME})
  set(CORVANE_ORIGINAL_NAME ${ARG_FILE})
  set(CORVANE_STRING_TABLE ${ARG_STRINGS})
  set(CORVANE_VERSION_BLOCK ${ARG_LANGUAGE_BLOCK})
  set(CORVANE_VERSION_TRANSLATION ${ARG_TRANSLATION})
  set(CORVANE_WINDOW_RESOURCES ${ARG_WINDOW})
  # The icon and the About bitmap stay in the program whatever the language.
  if(ARG_TYPE STREQUAL "VFT_APP")
    set(CORVANE_PROGRAM_RESOURCES "#include \"ui/win32/resource_ids.h\"
CORVANE_ICON ICON \"${CORVANE_ICON_FILE}\"
CORVANE_ABOUT_BITMAP BITMAP \"${CMAKE_SOURCE_DIR}/src/res/bitmaps/about.bmp\"
CORVANE_ABOUT_BITMAP_2X BITMAP \"${CMAKE_SOURCE_DIR}/src/res/bitmaps/about-2x.bmp\"
CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${CORVANE_MANIFEST_FILE}\"")
  else()
    set(CORVANE_PROGRAM_RESOURCES "")
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/src/res/windows/corvane.rc.in ${output} @ONLY)
endfunction()

set(CORVANE_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")
set(CORVANE_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0")
set(CORVANE_MANIFEST_FILE ${_corvane_win_dir}/corvane.manifest)
configure_file(${CMAKE_SOURCE_DIR}/src/res/windows/corvane.manifest ${CORVANE_MANIFEST_FILE} @ONLY)

set(CORVANE_ICON_FILE ${_corvane_win_dir}/corvane.ico)
file(GLOB _corvane_icon_pictures ${CMAKE_SOURCE_DIR}/src/res/icons/corvane-*.png)
add_custom_command(
  OUTPUT ${CORVANE_ICON_FILE}
  COMMAND ${CORVANE_PERL} ${CMAKE_SOURCE_DIR}/cmake/png-to-ico.pl ${CORVANE_ICON_FILE}
          ${_corvane_icon_pictures}
  DEPENDS ${_corvane_icon_pictures} ${CMAKE_SOURCE_DIR}/cmake/png-to-ico.pl
  VERBATIM)

corvane_string_table(strings_en.inc LANG_ENGLISH SUBLANG_ENGLISH_US ${_corvane_win_dir}/strings_en.rc)
corvane_string_table(strings_de.inc LANG_GERMAN SUBLANG_GERMAN ${_corvane_win_dir}/strings_de.rc)
include(${CMAKE_SOURCE_DIR}/cmake/Win32Window.cmake)

# One resource script per program file, as each names its own file.
foreach(_file corvane.exe corvane.com)
  string(REPLACE "." "-" _script ${_file})
  corvane_resource_script(${_corvane_win_dir}/${_script}.rc TYPE VFT_APP DESCRIPTION "Corvane"
    NAME corvane FILE ${_file} STRINGS ${_corvane_win_dir}/strings_en.rc
    WINDOW ${_corvane_win_dir}/window_en.rc LANGUAGE_BLOCK 040904B0 TRANSLATION "0x409, 1200")
  set_source_files_properties(${_corvane_win_dir}/${_script}.rc PROPERTIES
    OBJECT_DEPENDS "${CORVANE_ICON_FILE};${CORVANE_MANIFEST_FILE};${_corvane_win_dir}/strings_en.rc;${_corvane_win_dir}/window_en.rc;${CMAKE_SOURCE_DIR}/src/res/bitmaps/about.bmp;${CMAKE_SOURCE_DIR}/src/res/bitmaps/about-2x.bmp")
endforeach()

# libcrypto's own needs, and ours.
target_link_libraries(corvane_core PUBLIC ws2_32 crypt32 bcrypt advapi32 user32)

# corvane.exe: the desktop program, no console window.
target_sources(corvane PRIVATE ${_corvane_win_dir}/corvane-exe.rc)
set_target_properties(corvane PROPERTIES WIN32_EXECUTABLE ON ENABLE_EXPORTS OFF)

# corvane.com: the same program for consoles.
add_executable(corvane_console src/app/main.cpp ${_corvane_win_dir}/corvane-com.rc)
set_target_properties(corvane_console PROPERTIES OUTPUT_NAME corvane SUFFIX .com)
target_link_libraries(corvane_console PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,corvane_core>")

# Corvane_deDE.dll: strings and the window's resources only, no code and no entry point.
corvane_resource_script(${_corvane_win_dir}/Corvane_deDE.rc TYPE VFT_DLL
  DESCRIPTION "Corvane deutsche Texte" NAME Corvane_deDE.dll FILE Corvane_deDE.dll
  STRINGS ${_corvane_win_dir}/strings_de.rc WINDOW ${_corvane_win_dir}/window_de.rc
  LANGUAGE_BLOCK 040704B0 TRANSLATION "0x407, 1200")
set_source_files_properties(${_corvane_win_dir}/Corvane_deDE.rc PROPERTIES
  OBJECT_DEPENDS "${_corvane_win_dir}/strings_de.rc;${_corvane_win_dir}/window_de.rc")
add_library(Corvane_deDE MODULE ${_corvane_win_dir}/Corvane_deDE.rc)
set_target_properties(Corvane_deDE PROPERTIES PREFIX "" OUTPUT_NAME Corvane_deDE
                      LINKER_LANGUAGE C)
target_include_directories(Corvane_deDE PRIVATE ${CMAKE_SOURCE_DIR}/src)
# Entry point 0: the module is only ever mapped as data.
target_link_options(Corvane_deDE PRIVATE -nostdlib -Wl,-e,0)
add_dependencies(corvane Corvane_deDE)

# The benchmark's floor programs (bench/windows_bench.sh builds and runs them).
add_executable(windows_provisioning_floor EXCLUDE_FROM_ALL
               ${CMAKE_SOURCE_DIR}/bench/windows_provisioning_floor.cpp)
target_link_libraries(windows_provisioning_floor PRIVATE OpenSSL::Crypto ws2_32 crypt32 bcrypt)
add_executable(wine_empty EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/wine_empty.cpp)
