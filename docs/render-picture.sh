#!/usr/bin/env bash
# Renders docs/track.png: builds logvane, converts examples/zurich-lake-boat.txt
# with it, and has OpenLayers' KML reader draw that document in headless
# Chromium. Installs what it needs: Debian's chromium (as root) and the pinned
# npm packages of docs/package-lock.json.
# Usage: bash docs/render-picture.sh [OUT.png]   (BUILD_DIR defaults to build-docs)
set -euo pipefail
docs=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$docs")
build=${BUILD_DIR:-$root/build-docs}
out=$(realpath -m "${1:-$docs/track.png}")

echo '== build logvane'
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLOGVANE_TESTS=OFF \
  >/dev/null
cmake --build "$build" -j2 --target logvane >/dev/null

echo '== convert the sample log'
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp "$root/examples/zurich-lake-boat.txt" "$tmp/"
(cd "$tmp" && "$build/logvane" zurich-lake-boat.txt >/dev/null)
points=$(tr -d '\r' <"$tmp/zurich-lake-boat.kml" |
  grep -cE '^-?[0-9.]+,-?[0-9.]+,-?[0-9.]+$')
echo "$points track points in zurich-lake-boat.kml"

echo '== install chromium and the npm packages'
if ! command -v "${CHROMIUM:-/usr/bin/chromium}" >/dev/null; then
  apt-get update -qq && apt-get install -y -qq chromium >/dev/null
fi
(cd "$docs" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)

echo '== draw it'
(cd "$docs" && node render-picture.mjs "$tmp/zurich-lake-boat.kml" "$out")
echo "wrote $out ($(stat -c %s "$out") bytes)"
