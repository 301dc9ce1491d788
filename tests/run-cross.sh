#!/usr/bin/env bash
# Cross-builds logvane and its tests for another processor with Debian's
# cross compiler and runs them under qemu-user, through run-all.sh.
#
#   tests/run-cross.sh ARCH [CMAKE_ARGUMENTS...]
#
# ARCH is aarch64 (ARM64, the NEON route), s390x (big-endian, the
# portable route), i386 (32-bit, the x87: no single-rounding double
# arithmetic) or armhf (32-bit, long double is double): the whole suite,
# unit tests and the end-to-end cases of the real binary. Or armel, mipsel,
# mips64el or ppc64el, whose code those four already cover: the end-to-end
# cases only (-DLOGVANE_UNIT_TESTS=ON adds the unit tests). Installs the Debian
# packages it needs when they are missing; the build goes to build-ARCH
# (LOGVANE_CROSS_BUILD_DIR overrides it). Ends with the reason of each skipped
# test and one line saying how many tests ran.
set -euo pipefail
cd "$(dirname "$0")/.."

arch=${1:-}
unit_tests=ON
# The Debian architecture's GNU triplet and qemu-user's name for its CPU.
case $arch in
  aarch64 | s390x) triplet=$arch-linux-gnu qemu=$arch ;;
  i386) triplet=i686-linux-gnu qemu=i386 ;;
  armhf) triplet=arm-linux-gnueabihf qemu=arm ;;
  armel) triplet=arm-linux-gnueabi qemu=arm unit_tests=OFF ;;
  mipsel) triplet=mipsel-linux-gnu qemu=mipsel unit_tests=OFF ;;
  mips64el) triplet=mips64el-linux-gnuabi64 qemu=mips64el unit_tests=OFF ;;
  ppc64el) triplet=powerpc64le-linux-gnu qemu=ppc64le unit_tests=OFF ;;
  *)
    echo "usage: $0 aarch64|s390x|i386|armhf|armel|mipsel|mips64el|ppc64el" \
      "[CMAKE_ARGUMENTS...]" >&2
    exit 2 ;;
esac
shift

tools/install-missing @build @package @tests "$triplet-g++=g++-$triplet" \
  "qemu-$qemu=qemu-user" /usr/src/googletest/CMakeLists.txt=googletest

for argument in "$@"; do
  if [[ $argument == -DLOGVANE_UNIT_TESTS=ON ]]; then unit_tests=ON; fi
done
suite="$arch suite under qemu-user"
[[ $unit_tests == ON ]] || suite="$arch end-to-end cases under qemu-user"
LOGVANE_BUILD_DIR=${LOGVANE_CROSS_BUILD_DIR:-build-$arch} \
  LOGVANE_SUITE=$suite \
  exec tests/run-all.sh -DCMAKE_TOOLCHAIN_FILE="cmake/$triplet.cmake" \
  -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest \
  -DLOGVANE_UNIT_TESTS=$unit_tests "$@"
