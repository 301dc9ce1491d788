# Cross-builds logvane for 64-bit little-endian MIPS (Debian mips64el) with
# Debian's cross compiler (g++-mips64el-linux-gnuabi64):
#   cmake -S . -B build-mips64el \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mips64el-linux-gnuabi64.cmake \
#     -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest
# The tests run under qemu-user (qemu-mips64el), when it is installed.

set(CMAKE_SYSTEM_PROCESSOR mips64el)
set(LOGVANE_CROSS_TRIPLET mips64el-linux-gnuabi64)
set(LOGVANE_QEMU_CPU mips64el)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
