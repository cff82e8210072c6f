# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 g++ (POSIX thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CORVANE_MINGW_HOST x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${CORVANE_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVANE_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${CORVANE_MINGW_HOST}-windres)

# The cross libraries, and the folders of what tools/build-windows.sh built for Windows.
set(CMAKE_FIND_ROOT_PATH /usr/${CORVANE_MINGW_HOST} ${CORVANE_WINDOWS_ROOTS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run through Wine.
find_program(CORVANE_WINE NAMES wine wine64)
if(CORVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CORVANE_WINE})
endif()
