# Cross-builds logvane for 32-bit ARM with hardware floating point (Debian
# armhf) with Debian's cross compiler (g++-arm-linux-gnueabihf):
#   cmake -S . -B build-armhf \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabihf.cmake \
#     -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest
# The tests run under qemu-user (qemu-arm), when it is installed.

set(CMAKE_SYSTEM_PROCESSOR arm)
set(LOGVANE_CROSS_TRIPLET arm-linux-gnueabihf)
set(LOGVANE_QEMU_CPU arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
