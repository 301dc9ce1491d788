# Cross-builds logvane for 64-bit little-endian POWER (Debian ppc64el) with
# Debian's cross compiler (g++-powerpc64le-linux-gnu):
#   cmake -S . -B build-ppc64el \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/powerpc64le-linux-gnu.cmake \
#     -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest
# The tests run under qemu-user (qemu-ppc64le), when it is installed.

set(CMAKE_SYSTEM_PROCESSOR ppc64le)
set(LOGVANE_CROSS_TRIPLET powerpc64le-linux-gnu)
set(LOGVANE_QEMU_CPU ppc64le)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
