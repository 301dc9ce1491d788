#!/usr/bin/env bash
# Builds logvane and runs the whole test suite with clang and libc++, the
# C++ library of macOS and the BSDs, whose gaps Debian's libc++ shares.
# GoogleTest is built from Debian's sources: its libgtest is built against
# libstdc++. Installs clang, libc++ and those sources when missing; the
# build goes to build-libcxx (LOGVANE_BUILD_DIR overrides it). Arguments go
# to cmake, as with run-all.sh. libc++ 14 has no floating std::from_chars:
# decimals are read with fast_float's headers, installed when missing too.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-missing @build @package @tests clang++=clang \
  "/usr/lib/*/libc++.so=libc++-dev" \
  "/usr/lib/*/libc++abi.so=libc++abi-dev" \
  /usr/src/googletest/CMakeLists.txt=googletest \
  /usr/include/fast_float/fast_float.h=libfast-float-dev

# GoogleTest's project enables C too, and gcc refuses -stdlib=libc++ among
# the linker flags: clang builds the C side as well.
export LOGVANE_BUILD_DIR=${LOGVANE_BUILD_DIR:-build-libcxx}
LOGVANE_SUITE="libc++ suite" tests/run-all.sh -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS=-stdlib=libc++ -DCMAKE_EXE_LINKER_FLAGS=-stdlib=libc++ \
  -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest -DLOGVANE_TESTS=ON "$@"

# Which route rounded the long numbers: the test records it.
report=$(mktemp)
trap 'rm -f "$report"' EXIT
"$LOGVANE_BUILD_DIR/tests/logvane_tests" \
  --gtest_filter=Scan.NumberMatchesStrtodOnRandomSpellings \
  --gtest_output="xml:$report" >/dev/null
route='s/.*name="long_number_route" value="\([^"]*\)".*/\1/p'
echo "long numbers rounded by: $(sed -n "$route" "$report")"
