# Cross-builds logvane.exe for 64-bit Windows with Debian's MinGW-w64:
#   cmake -S . -B build-win64 \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#     -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest
# The tests run under Wine (wine64), when it is installed, through
# tests/support/wine-run.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix thread model: the win32 one has no std::mutex, which GoogleTest
# needs.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime, libgcc and winpthread are linked in, so that a program
# imports only KERNEL32.dll and msvcrt.dll and runs from any folder.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# tests/support/wine-run puts wine before each program and reports what Wine
# said when a test fails.
find_program(LOGVANE_WINE NAMES wine wine64)
if(LOGVANE_WINE)
  get_filename_component(LOGVANE_WINE_RUN
                         ${CMAKE_CURRENT_LIST_DIR}/../tests/support/wine-run
                         ABSOLUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LOGVANE_WINE_RUN})
endif()
