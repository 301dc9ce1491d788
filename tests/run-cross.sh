#!/usr/bin/env bash
# Cross-builds logvane and its tests for another processor with Debian's
# cross compiler and runs the whole suite under qemu-user, through
# run-all.sh: unit tests and the end-to-end cases of the real binary.
#
#   tests/run-cross.sh ARCH [CMAKE_ARGUMENTS...]
#
# ARCH is aarch64 (ARM64, the NEON route) or s390x (big-endian, the
# portable route). Installs the Debian packages it needs when they are
# missing; the build goes to build-ARCH (LOGVANE_CROSS_BUILD_DIR overrides
# it). Ends with the reason of each skipped test and one line saying how many
# tests ran.
set -euo pipefail
cd "$(dirname "$0")/.."

arch=${1:-}
case $arch in
  aarch64 | s390x) shift ;;
  *)
    echo "usage: $0 aarch64|s390x [CMAKE_ARGUMENTS...]" >&2
    exit 2 ;;
esac

tools/install-missing @build @package @tests \
  "$arch-linux-gnu-g++=g++-$arch-linux-gnu" \
  "qemu-$arch=qemu-user" /usr/src/googletest/CMakeLists.txt=googletest

LOGVANE_BUILD_DIR=${LOGVANE_CROSS_BUILD_DIR:-build-$arch} \
  LOGVANE_SUITE="$arch suite under qemu-user" \
  exec tests/run-all.sh -DCMAKE_TOOLCHAIN_FILE="cmake/$arch-linux-gnu.cmake" \
  -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest "$@"
