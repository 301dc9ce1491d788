# Cross-builds logvane for 32-bit ARM with software floating point (Debian
# armel) with Debian's cross compiler (g++-arm-linux-gnueabi):
#   cmake -S . -B build-armel \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabi.cmake \
#     -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest
# The tests run under qemu-user (qemu-arm), when it is installed.

set(CMAKE_SYSTEM_PROCESSOR arm)
set(LOGVANE_CROSS_TRIPLET arm-linux-gnueabi)
set(LOGVANE_QEMU_CPU arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
