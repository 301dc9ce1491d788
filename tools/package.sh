#!/usr/bin/env bash
# Builds the Debian package, build/logvane_<version>_<arch>.deb, from the
# optimised build of tools/build.sh, installing first what cpack needs to
# write the package and its Depends field (file, dpkg-dev).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
tools/install-missing file=file dpkg-shlibdeps=dpkg-dev
cd build
cpack -G DEB
