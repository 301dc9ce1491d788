#!/usr/bin/env bash
# Cross-builds logvane.exe and its tests with MinGW-w64 and runs the whole
# suite under Wine, headless, through run-all.sh: unit tests, end-to-end
# cases of logvane.exe and the zip check. Installs the Debian packages it
# needs when they are missing; the build goes to build-win64
# (LOGVANE_WINDOWS_BUILD_DIR overrides it). Arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-missing @build @package @tests @windows \
  /usr/src/googletest/CMakeLists.txt=googletest \
  wine=wine /usr/lib/wine/wine64=wine64 \
  /usr/share/i18n/charmaps/WINDOWS-31J.gz=locales

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
# Its own folder in /tmp is named after the prefix's device and inode, and
# outlives it: removed once the server has ended.
trap 'wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true
      [[ -n ${server:-} ]] && for found in /tmp/wine-*/"$server"; do
        rm -rf "${found%/*}"; done
      rm -rf "$scratch"' EXIT
mkdir "$WINEPREFIX"
server=$(printf 'server-%x-%x' "0x$(stat -c %D "$WINEPREFIX")" \
  "$(stat -c %i "$WINEPREFIX")")
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

LOGVANE_BUILD_DIR=${LOGVANE_WINDOWS_BUILD_DIR:-build-win64} \
  LOGVANE_SUITE="Windows suite under Wine" \
  tests/run-all.sh -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest "$@"
