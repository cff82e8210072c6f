# The window module, corvane-window.so: the Qt 6 widgets of the main window. The program loads
# it in window mode only, so script mode needs no GUI library. The module carries no copy of the
# core: its core symbols resolve against the executable, which exports the whole core.
find_package(Qt6 6.4 QUIET COMPONENTS Widgets Test)
if(NOT Qt6Widgets_FOUND)
  message(STATUS "Qt 6 Widgets not found: building without the window module")
  return()
endif()

# The widgets, shared by the module and the Qt tests (which link the core themselves).
set(CORVANE_WINDOW_SOURCES
    ${CMAKE_SOURCE_DIR}/src/ui/qt/about_box.cpp
    ${CMAKE_SOURCE_DIR}/src/ui/qt/help_window.cpp
    ${CMAKE_SOURCE_DIR}/src/ui/qt/list_tooltips.cpp
    ${CMAKE_SOURCE_DIR}/src/ui/qt/qt_dialogs.cpp
    ${CMAKE_SOURCE_DIR}/src/ui/qt/qt_main_window.cpp
    ${CMAKE_SOURCE_DIR}/src/ui/qt/corvane_window.qrc)
add_library(corvane_window_widgets OBJECT ${CORVANE_WINDOW_SOURCES})
set_target_properties(corvane_window_widgets PROPERTIES AUTORCC ON
                      CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_include_directories(corvane_window_widgets PUBLIC
    $<TARGET_PROPERTY:corvane_core,INTERFACE_INCLUDE_DIRECTORIES>)
target_compile_definitions(corvane_window_widgets PUBLIC
    $<TARGET_PROPERTY:corvane_core,INTERFACE_COMPILE_DEFINITIONS>)
target_link_libraries(corvane_window_widgets PUBLIC Qt6::Widgets corvane_chm)

add_library(corvane-window MODULE ${CMAKE_SOURCE_DIR}/src/ui/qt/window_module.cpp)
set_target_properties(corvane-window PROPERTIES PREFIX "" OUTPUT_NAME corvane-window
                      CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_link_libraries(corvane-window PRIVATE corvane_window_widgets)
# Qt cannot be unloaded cleanly; the module stays loaded until the process ends.
target_link_options(corvane-window PRIVATE -Wl,-z,nodelete)
add_dependencies(corvane corvane-window)

# Renders the window to PNG files for the documentation (tools/screenshot.sh).
add_executable(corvane_screenshot EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tools/screenshot.cpp)
target_link_libraries(corvane_screenshot PRIVATE corvane_window_widgets corvane_core)
