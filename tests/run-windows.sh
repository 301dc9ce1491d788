#!/usr/bin/env bash
# Cross-builds logvane.exe and its tests with MinGW-w64 and runs the whole
# suite under Wine, headless: unit tests, end-to-end cases of logvane.exe and
# the zip check. Installs the Debian packages it needs when they are missing,
# and ends with one line saying how many tests ran.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-missing cmake=cmake make=make gzip=gzip groff=groff-base \
  x86_64-w64-mingw32-g++-posix=g++-mingw-w64-x86-64 \
  /usr/src/googletest/CMakeLists.txt=googletest \
  wine=wine /usr/lib/wine/wine64=wine64 xmllint=libxml2-utils \
  /usr/share/i18n/charmaps/WINDOWS-31J.gz=locales

build=${LOGVANE_WINDOWS_BUILD_DIR:-build-win64}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DLOGVANE_TESTS=ON "$@"
cmake --build "$build" -j"$(nproc)"

# A Wine of its own, with no window, no .NET or Gecko installer, no debug
# output, and the same code page (1252) wherever this runs.
scratch=$(mktemp -d)
export WINEPREFIX=$scratch/wine WINEDEBUG=-all DISPLAY=
export WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
# The runs that Wine itself failed and that were made once more
# (tests/support/wine-run and tests/golden/run write them here).
export LOGVANE_WINE_RETRIES=$scratch/retries
: > "$LOGVANE_WINE_RETRIES"
# Wine's server outlives the programs that start it and keeps their output
# open: started first, apart from everything else, and ended with the job.
trap 'wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
mkdir "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
wineboot -i </dev/null >"$scratch/wineboot" 2>&1 || {
  cat "$scratch/wineboot"; echo "wineboot failed to make the prefix" >&2
  exit 1; }
# The prefix is ready when a console program started in it answers on a
# redirected standard output, as every test's program will be started; its
# services may still be coming up after wineboot returns.
for attempt in $(seq 30); do
  answer=$(wine cmd /c echo ready </dev/null 2>"$scratch/ready") || true
  [[ $answer == $'ready\r' ]] && break
  if ((attempt == 30)); then
    cat "$scratch/ready"; echo "Wine did not start a program" >&2; exit 1
  fi
  sleep 1
done

status=0
ctest --test-dir "$build" --output-on-failure --no-tests=error -j"$(nproc)" \
  --timeout 120 | tee "$scratch/ctest" || status=$?
# ctest's summary: "100% tests passed, 0 tests failed out of 84".
sort -u -o "$LOGVANE_WINE_RETRIES" "$LOGVANE_WINE_RETRIES"
sed 's/^/made again after Wine failed: /' "$LOGVANE_WINE_RETRIES"
awk -v retries="$(wc -l < "$LOGVANE_WINE_RETRIES")" '
     /tests passed, [0-9]+ tests? failed out of/ { total = $NF; failed = $4 }
     /^[[:space:]]+[0-9]+ - .*\(Skipped\)$/ { skipped++ }
     END { printf "Windows suite under Wine: %d ran, %d passed, %d failed, " \
                  "%d skipped, %d made again after Wine failed\n",
                  total - skipped, total - failed - skipped, failed, skipped,
                  retries }' "$scratch/ctest"
exit "$status"
