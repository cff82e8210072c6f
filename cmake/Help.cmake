# The help file: Corvane.chm, compiled with chmcmd (Debian package fp-utils) from the HTML
# sources under src/res/help and placed beside the program, where the window looks for it;
# and corvane_chm, the library that reads such a file for the help window.
#
# One set of pages serves both systems. What holds for one system only is marked in the
# sources, <!--linux-->...<!--/linux--> and <!--windows-->...<!--/windows-->; the build copies
# the pages into the build folder with the other system's parts and the marks removed, and
# compiles that copy.

if(CMAKE_SCRIPT_MODE_FILE)
  # The build step (below) runs this file on its own: the project's policies, there too.
  cmake_minimum_required(VERSION 3.25)
endif()

# The text of a page for one system: the blocks for SYSTEM kept without their marks, those for
# any other system dropped.
function(corvane_help_for_system text system out)
  set(result "")
  while(TRUE)
    string(REGEX MATCH "<!--(linux|windows)-->" mark "${text}")
    if(NOT mark)
      break()
    endif()
    set(name "${CMAKE_MATCH_1}")
    string(FIND "${text}" "${mark}" start)
    string(LENGTH "${mark}" markLength)
    math(EXPR inner "${start} + ${markLength}")
    string(SUBSTRING "${text}" 0 ${start} before)
    string(SUBSTRING "${text}" ${inner} -1 rest)
    string(FIND "${rest}" "<!--/${name}-->" stop)
    if(stop EQUAL -1)
      message(FATAL_ERROR "help page: ${mark} without <!--/${name}-->")
    endif()
    string(SUBSTRING "${rest}" 0 ${stop} block)
    math(EXPR after "${stop} + ${markLength} + 1")
    string(SUBSTRING "${rest}" ${after} -1 text)
    string(APPEND result "${before}")
    if(name STREQUAL system)
      string(APPEND result "${block}")
    endif()
  endwhile()
  string(APPEND result "${text}")
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  # The build step itself (cmake -P this file). The pages for SYSTEM go to PAGES_DIR; other
  # files are copied as they are.
  file(REMOVE_RECURSE "${PAGES_DIR}")
  file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
  foreach(source ${sources})
    get_filename_component(folder "${PAGES_DIR}/${source}" DIRECTORY)
    file(MAKE_DIRECTORY "${folder}")
    if(source MATCHES "\\.(html|hhc|hhk)$")
      file(READ "${SOURCE_DIR}/${source}" text)
      corvane_help_for_system("${text}" "${SYSTEM}" text)
      file(WRITE "${PAGES_DIR}/${source}" "${text}")
    else()
      file(COPY_FILE "${SOURCE_DIR}/${source}" "${PAGES_DIR}/${source}")
    endif()
  endforeach()
  # chmcmd writes into its working folder and reports missing files and anchors only as text,
  # so it runs in a scratch folder, any complaint fails the build, and only a complete file is
  # moved into place.
  file(REMOVE_RECURSE "${WORK_DIR}")
  file(MAKE_DIRECTORY "${WORK_DIR}")
  execute_process(COMMAND "${CHMCMD}" "${PAGES_DIR}/Corvane.hhp"
                  WORKING_DIRECTORY "${WORK_DIR}"
                  RESULT_VARIABLE result
                  OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  if(NOT result EQUAL 0 OR output MATCHES "(Error|Warning|exception)")
    message(FATAL_ERROR "chmcmd could not build the help file (exit ${result}):\n${output}")
  endif()
  get_filename_component(compiled "${OUTPUT}" NAME)
  if(NOT EXISTS "${WORK_DIR}/${compiled}")
    message(FATAL_ERROR "chmcmd did not write ${compiled}:\n${output}")
  endif()
  file(RENAME "${WORK_DIR}/${compiled}" "${OUTPUT}")
  file(REMOVE_RECURSE "${WORK_DIR}")
  return()
endif()

find_program(CORVANE_CHMCMD chmcmd)
if(NOT CORVANE_CHMCMD)
  message(FATAL_ERROR "chmcmd was not found. It compiles the help file Corvane.chm; on Debian it "
                      "comes with the package fp-utils (tools/install-deps.sh installs it).")
endif()

set(CORVANE_HELP_SOURCE_DIR ${CMAKE_SOURCE_DIR}/src/res/help)
file(GLOB_RECURSE CORVANE_HELP_SOURCES CONFIGURE_DEPENDS ${CORVANE_HELP_SOURCE_DIR}/*)
# The help for one system: its pages in <folder>/pages, the file as <folder>/Corvane.chm.
function(corvane_add_help target system folder)
  add_custom_command(
    OUTPUT ${folder}/Corvane.chm
    COMMAND ${CMAKE_COMMAND} -DCHMCMD=${CORVANE_CHMCMD} -DSYSTEM=${system}
            -DSOURCE_DIR=${CORVANE_HELP_SOURCE_DIR} -DPAGES_DIR=${folder}/pages
            -DWORK_DIR=${folder}/work -DOUTPUT=${folder}/Corvane.chm
            -P ${CMAKE_SOURCE_DIR}/cmake/Help.cmake
    DEPENDS ${CORVANE_HELP_SOURCES} ${CMAKE_SOURCE_DIR}/cmake/Help.cmake
    COMMENT "Compiling the ${system} help file Corvane.chm"
    VERBATIM)
  add_custom_target(${target} DEPENDS ${folder}/Corvane.chm)
endfunction()
if(WIN32)
  set(CORVANE_HELP_SYSTEM windows)
else()
  set(CORVANE_HELP_SYSTEM linux)
endif()
# This system's help, then copied beside the program.
set(CORVANE_HELP_DIR ${CMAKE_BINARY_DIR}/help)
set(CORVANE_HELP_PAGES_DIR ${CORVANE_HELP_DIR}/pages)
set(CORVANE_HELP_FILE ${CMAKE_BINARY_DIR}/Corvane.chm)
corvane_add_help(corvane_help_build ${CORVANE_HELP_SYSTEM} ${CORVANE_HELP_DIR})
add_custom_command(OUTPUT ${CORVANE_HELP_FILE}
                   COMMAND ${CMAKE_COMMAND} -E copy ${CORVANE_HELP_DIR}/Corvane.chm
                           ${CORVANE_HELP_FILE}
                   DEPENDS ${CORVANE_HELP_DIR}/Corvane.chm corvane_help_build VERBATIM)
add_custom_target(corvane_help ALL DEPENDS ${CORVANE_HELP_FILE})

# The reader the help window uses: plain C++ over libmspack (Debian package libmspack-dev), whose
# CHM and LZX decoders are made for hostile input. Windows has its own help viewer. The fuzz
# build compiles libmspack from Debian's source instead (CORVANE_MSPACK_SOURCE_DIR, set by
# fuzz/run.sh), so that the sanitizers and the fuzzer's coverage reach into the decoder.
if(WIN32)
  return()
endif()
add_library(corvane_chm STATIC ${CMAKE_SOURCE_DIR}/src/ui/qt/chm_file.cpp
                               ${CMAKE_SOURCE_DIR}/src/ui/chm_check.cpp)
target_include_directories(corvane_chm PUBLIC ${CMAKE_SOURCE_DIR}/src)
if(CORVANE_MSPACK_SOURCE_DIR)
  set(mspack ${CORVANE_MSPACK_SOURCE_DIR}/mspack)
  if(NOT EXISTS ${mspack}/chmd.c)
    message(FATAL_ERROR "CORVANE_MSPACK_SOURCE_DIR does not hold libmspack's source: ${mspack}")
  endif()
  # Only what reading a help file needs: the CHM directory, the LZX decoder, the system table.
  add_library(corvane_mspack STATIC ${mspack}/chmd.c ${mspack}/lzxd.c ${mspack}/system.c)
  target_include_directories(corvane_mspack SYSTEM PUBLIC ${mspack})
  # What libmspack's configure script finds on Debian (64-bit file offsets everywhere).
  target_compile_definitions(corvane_mspack PRIVATE SIZEOF_OFF_T=8 HAVE_INTTYPES_H=1
                                                    _FILE_OFFSET_BITS=64)
  # Its LZX decoder shifts signed ints into the sign bit where it puts two 16-bit halves
  # together. GCC, which builds Debian's library, defines such shifts (as an extension to C), so
  # the sanitizer's report of them would be about this build only; every other check stays.
  target_compile_options(corvane_mspack PRIVATE -w -fno-sanitize=shift-base)
  target_link_libraries(corvane_chm PRIVATE corvane_mspack)
else()
  find_path(CORVANE_MSPACK_INCLUDE_DIR mspack.h)
  find_library(CORVANE_MSPACK_LIBRARY mspack)
  if(NOT CORVANE_MSPACK_INCLUDE_DIR OR NOT CORVANE_MSPACK_LIBRARY)
    message(FATAL_ERROR "libmspack was not found. The help window reads Corvane.chm with it; on "
                        "Debian it comes with the package libmspack-dev (tools/install-deps.sh "
                        "installs it).")
  endif()
  target_include_directories(corvane_chm SYSTEM PRIVATE ${CORVANE_MSPACK_INCLUDE_DIR})
  target_link_libraries(corvane_chm PRIVATE ${CORVANE_MSPACK_LIBRARY})
endif()
