# Cross-builds logvane for Linux on 64-bit ARM (ARM64) with Debian's cross
# compiler (g++-aarch64-linux-gnu):
#   cmake -S . -B build-aarch64 \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
#     -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest
# The tests run under qemu-user (qemu-aarch64), when it is installed.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# qemu finds the C library and the dynamic loader in the cross compiler's
# tree.
find_program(LOGVANE_QEMU NAMES qemu-aarch64 qemu-aarch64-static)
if(LOGVANE_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LOGVANE_QEMU} -L /usr/aarch64-linux-gnu)
endif()
