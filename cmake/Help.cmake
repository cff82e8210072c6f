# The help file: Corvane.chm, compiled with chmcmd (Debian package fp-utils) from the HTML
# sources under src/res/help and placed beside the program, where the window looks for it;
# and corvane_chm, the library that reads such a file for the help window.

if(CMAKE_SCRIPT_MODE_FILE)
  # The build step itself (cmake -P this file). chmcmd writes into its working folder and
  # reports missing files and anchors only as text, so it runs in a scratch folder, any
  # complaint fails the build, and only a complete file is moved into place.
  file(REMOVE_RECURSE "${WORK_DIR}")
  file(MAKE_DIRECTORY "${WORK_DIR}")
  execute_process(COMMAND "${CHMCMD}" "${PROJECT_FILE}"
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
set(CORVANE_HELP_FILE ${CMAKE_BINARY_DIR}/Corvane.chm)
file(GLOB_RECURSE CORVANE_HELP_SOURCES CONFIGURE_DEPENDS ${CORVANE_HELP_SOURCE_DIR}/*)
add_custom_command(
  OUTPUT ${CORVANE_HELP_FILE}
  COMMAND ${CMAKE_COMMAND} -DCHMCMD=${CORVANE_CHMCMD}
          -DPROJECT_FILE=${CORVANE_HELP_SOURCE_DIR}/Corvane.hhp
          -DWORK_DIR=${CMAKE_BINARY_DIR}/help-build -DOUTPUT=${CORVANE_HELP_FILE}
          -P ${CMAKE_CURRENT_LIST_FILE}
  DEPENDS ${CORVANE_HELP_SOURCES} ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Compiling the help file Corvane.chm"
  VERBATIM)
add_custom_target(corvane_help ALL DEPENDS ${CORVANE_HELP_FILE})

# The reader the help window uses: plain C++ over chmlib (Debian package libchm-dev). Windows
# has its own help viewer.
if(WIN32)
  return()
endif()
find_path(CORVANE_CHMLIB_INCLUDE_DIR chm_lib.h)
find_library(CORVANE_CHMLIB_LIBRARY chm)
if(NOT CORVANE_CHMLIB_INCLUDE_DIR OR NOT CORVANE_CHMLIB_LIBRARY)
  message(FATAL_ERROR "chmlib was not found. The help window reads Corvane.chm with it; on "
                      "Debian it comes with the package libchm-dev (tools/install-deps.sh "
                      "installs it).")
endif()
add_library(corvane_chm STATIC ${CMAKE_SOURCE_DIR}/src/ui/qt/chm_file.cpp
                               ${CMAKE_SOURCE_DIR}/src/ui/chm_check.cpp)
target_include_directories(corvane_chm PUBLIC ${CMAKE_SOURCE_DIR}/src
                           PRIVATE ${CORVANE_CHMLIB_INCLUDE_DIR})
target_link_libraries(corvane_chm PRIVATE ${CORVANE_CHMLIB_LIBRARY})
