# Cross-builds logvane for Linux on IBM Z (s390x, big-endian) with Debian's
# cross compiler (g++-s390x-linux-gnu):
#   cmake -S . -B build-s390x \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/s390x-linux-gnu.cmake \
#     -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest
# The tests run under qemu-user (qemu-s390x), when it is installed.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR s390x)

set(CMAKE_C_COMPILER s390x-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER s390x-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/s390x-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# qemu finds the C library and the dynamic loader in the cross compiler's
# tree.
find_program(LOGVANE_QEMU NAMES qemu-s390x qemu-s390x-static)
if(LOGVANE_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LOGVANE_QEMU} -L /usr/s390x-linux-gnu)
endif()
