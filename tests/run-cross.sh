#!/usr/bin/env bash
# Cross-builds logvane and its tests for another processor with Debian's
# cross compiler and runs the whole suite under qemu-user: unit tests and
# the end-to-end cases of the real binary.
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

tools/install-missing cmake=cmake make=make gzip=gzip groff=groff-base \
  "$arch-linux-gnu-g++=g++-$arch-linux-gnu" "qemu-$arch=qemu-user" \
  /usr/src/googletest/CMakeLists.txt=googletest xmllint=libxml2-utils

build=${LOGVANE_CROSS_BUILD_DIR:-build-$arch}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="cmake/$arch-linux-gnu.cmake" \
  -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DLOGVANE_TESTS=ON "$@"
cmake --build "$build" -j"$(nproc)"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
ctest --test-dir "$build" --output-on-failure --no-tests=error -j"$(nproc)" \
  --timeout 600 | tee "$scratch/ctest" || status=$?
# GoogleTest writes "FILE:LINE: Skipped", then the reason, then the name.
awk '/: Skipped$/ { getline reason; getline name
                    sub(/ \(.*/, "", name); sub(/.*\] /, "", name)
                    print "skipped " name ": " reason }' \
  "$build/Testing/Temporary/LastTest.log"
# ctest's summary: "100% tests passed, 0 tests failed out of 101".
awk -v arch="$arch" '
     /tests passed, [0-9]+ tests? failed out of/ { total = $NF; failed = $4 }
     /^[[:space:]]+[0-9]+ - .*\(Skipped\)$/ { skipped++ }
     END { printf "%s suite under qemu-user: %d ran, %d passed, %d failed, " \
                  "%d skipped\n", arch, total - skipped,
                  total - failed - skipped, failed, skipped }' "$scratch/ctest"
exit "$status"
