# Cross-builds logvane for Linux on IBM Z (s390x, big-endian) with Debian's
# cross compiler (g++-s390x-linux-gnu):
#   cmake -S . -B build-s390x \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/s390x-linux-gnu.cmake \
#     -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest
# The tests run under qemu-user (qemu-s390x), when it is installed.

set(CMAKE_SYSTEM_PROCESSOR s390x)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
