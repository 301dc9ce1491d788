#!/usr/bin/env bash
# Builds logvane.wasm with Debian's clang and wasi-libc and runs the whole
# suite under Node, through run-all.sh: the end-to-end cases through the
# logvane command's module, and the unit tests that need neither
# std::filesystem nor processes. Installs the Debian packages it needs when they are missing
# (Node from Debian's nodejs if no node is found); the build goes to
# build-wasm (LOGVANE_WASM_BUILD_DIR overrides it). Ends with the reason of
# each skipped test and one line saying how many tests ran.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-missing @build @package @tests @web \
  /usr/src/googletest/CMakeLists.txt=googletest

node_major=$(node -p 'process.versions.node.split(".")[0]')
if ((node_major < 20)); then
  echo "$0: Node $(node --version) is too old: logvane needs Node 20 or later" >&2
  exit 1
fi

LOGVANE_BUILD_DIR=${LOGVANE_WASM_BUILD_DIR:-build-wasm} \
  LOGVANE_SUITE="WASI suite under Node" \
  exec tests/run-all.sh -DCMAKE_TOOLCHAIN_FILE=cmake/wasm32-wasi.cmake \
  -DCMAKE_BUILD_TYPE=Release -DLOGVANE_GTEST_SOURCE_DIR=/usr/src/googletest \
  "$@"
