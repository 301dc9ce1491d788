#!/usr/bin/env bash
# Builds the page of web/ into build-web/site: logvane.wasm with the WASI
# toolchain file, then the page's modules bundled around it. With "serve",
# serves the site on http://127.0.0.1:8021/ (PORT to change) until Ctrl-C.
# Installs what it needs first (clang, wasi-libc and the rest of the WASI
# toolchain, node and npm, the pinned npm packages of web/package-lock.json).
#
# Usage: tools/build-web.sh [serve]
# LOGVANE_WASM names a module to use instead of building one.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$PWD/build-web

tools/install-missing @web

wasm=${LOGVANE_WASM:-}
if [[ -z $wasm ]]; then
  cmake -S . -B "$out/wasm" -DCMAKE_BUILD_TYPE=Release -DLOGVANE_TESTS=OFF \
    -DCMAKE_TOOLCHAIN_FILE=cmake/wasm32-wasi.cmake >/dev/null
  cmake --build "$out/wasm" -j2 --target logvane >/dev/null
  # The build puts the module in its Node package folder.
  wasm=$out/wasm/npm/logvane.wasm
fi

(cd web && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
node web/build.mjs "$wasm" "$out/site"
echo "built $out/site: $(cat "$out"/site/* | wc -c) bytes," \
  "$(for f in "$out"/site/*; do gzip -9c "$f"; done | wc -c) gzipped"

if [[ ${1:-} == serve ]]; then
  exec node web/serve.mjs "$out/site" "${PORT:-8021}"
fi
