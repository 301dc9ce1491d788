#!/usr/bin/env bash
# Builds the program alone, optimised, into build/ (no test framework
# needed), installing the compiler and CMake first when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-missing @build
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DLOGVANE_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target logvane >/dev/null
echo "built build/logvane"
