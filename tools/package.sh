#!/usr/bin/env bash
# Builds the Debian package, build/logvane_<version>_<arch>.deb, from the
# optimised build of tools/build.sh, installing first, all at once, what the
# build and cpack need (the compiler, CMake, file and dpkg-dev for the
# Depends field). Two runs on one commit give the same bytes: cpack dates
# the files by the last commit (cmake/reproducible.cmake).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-missing @build @package
tools/build.sh
cd build
cpack -G DEB
