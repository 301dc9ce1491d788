# Cross-builds logvane for 32-bit x86 (Debian i386: the x87, no SSE2 assumed)
# with Debian's cross compiler (g++-i686-linux-gnu):
#   cmake -S . -B build-i386 \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake \
#     -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest
# The tests run under qemu-user (qemu-i386), when it is installed.

set(CMAKE_SYSTEM_PROCESSOR i686)
set(LOGVANE_CROSS_TRIPLET i686-linux-gnu)
set(LOGVANE_QEMU_CPU i386)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
