#!/usr/bin/env bash
# Builds logvane and runs the whole test suite: unit tests, the end-to-end
# cases of the real binary, and the packaging checks. Installs the Debian
# packages the tests use when they are missing. Tests are switched on
# whatever the build directory held before, and a run that finds no tests
# fails. Ends with the reason of each skipped
# test and one line counting the tests.
#
# Arguments go to cmake: run-libcxx.sh, run-windows.sh and run-cross.sh run
# the suite for another toolchain that way. LOGVANE_BUILD_DIR names the
# build directory, LOGVANE_SUITE the suite in the closing line.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-missing @build @package @tests

# Not build/: that is tools/build.sh's optimised build, which this one would
# otherwise reconfigure and rebuild.
build=${LOGVANE_BUILD_DIR:-build-tests}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DLOGVANE_TESTS=ON "$@"
cmake --build "$build" -j"$(nproc)"
status=0
ctest --test-dir "$build" --output-on-failure --no-tests=error \
  -j"$(nproc)" --timeout 600 | tee "$build/ctest-output.txt" || status=$?
# GoogleTest writes "FILE:LINE: Skipped", then the reason, then the name.
# ctest has just listed them as not run: they are skipped on purpose.
echo "the tests listed as not run were skipped on purpose:"
awk '/: Skipped$/ { getline reason; getline name
                    sub(/ \(.*/, "", name); sub(/.*\] /, "", name)
                    print "skipped " name ": " reason }' \
  "$build/Testing/Temporary/LastTest.log" | tee "$build/skipped.txt"
awk -v suite="${LOGVANE_SUITE:-suite}" -v retries="${LOGVANE_WINE_RETRIES:-}" \
  -f tests/ctest-summary.awk "$build/ctest-output.txt" "$build/skipped.txt"
exit "$status"
