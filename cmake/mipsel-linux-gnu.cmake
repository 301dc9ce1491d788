# Cross-builds logvane for 32-bit little-endian MIPS (Debian mipsel) with
# Debian's cross compiler (g++-mipsel-linux-gnu):
#   cmake -S . -B build-mipsel \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mipsel-linux-gnu.cmake \
#     -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest
# The tests run under qemu-user (qemu-mipsel), when it is installed.

set(CMAKE_SYSTEM_PROCESSOR mipsel)
set(LOGVANE_CROSS_TRIPLET mipsel-linux-gnu)
set(LOGVANE_QEMU_CPU mipsel)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
