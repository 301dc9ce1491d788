#!/usr/bin/env bash
# Builds every artefact of a release into dist/, from scratch:
#   logvane_<version>_<arch>.deb  the Debian package, one per architecture
#                                 of the list below;
#   logvane-<version>-win64.zip   the Windows program, its README, licence
#                                 and page;
#   logvane-<version>.tgz         the Node package (logvane.wasm);
#   logvane-<version>-web.tar.gz  the web page, ready to serve;
#   SHA256SUMS                    the checksums of all of them.
# The same commit gives the same bytes in any folder at any time: the files
# are dated by the last commit (SOURCE_DATE_EPOCH, set here from it), the
# compilers map the folders out, and the archives list their files sorted,
# owned by root. Installs what it needs first, all at once. The builds go to
# build-release/ (and build-web/, the page's own script's folder).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# The Debian architectures to package. One that is not this machine's is
# cross-built with cmake/<GNU triplet>.cmake (dpkg-architecture gives the
# triplet), whose compiler and libraries must then be installed.
architectures=(amd64)

tools/install-missing @build @package @windows @web git=git \
  dpkg-architecture=dpkg-dev

if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
fi
export SOURCE_DATE_EPOCH
commit=$(git rev-parse --short HEAD)
if [[ -n $(git status --porcelain --untracked-files=no) ]]; then
  echo "note: the checkout has changes: dist/ is not commit $commit's alone"
fi

builds=$root/build-release
dist=$root/dist
rm -rf "$builds" "$dist"
mkdir -p "$builds" "$dist"

# configure DIR [CMAKE-ARGUMENT...]: an optimised build of the program alone.
configure() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DLOGVANE_TESTS=OFF "$@" \
    >"$dir.log" 2>&1 &&
    cmake --build "$dir" -j2 --target logvane >>"$dir.log" 2>&1 ||
    { cat "$dir.log" >&2; echo "$0: the build in $dir failed" >&2; exit 1; }
}
# package DIR GENERATOR: cpack's package of the build in DIR, into dist/.
package() {
  (cd "$1" && cpack -G "$2" -B "$1/out") >>"$1.log" 2>&1 ||
    { cat "$1.log" >&2; echo "$0: cpack failed in $1" >&2; exit 1; }
  find "$1/out" -maxdepth 1 -type f \( -name '*.deb' -o -name '*.zip' \) \
    -exec cp {} "$dist" \;
}

native=$(dpkg --print-architecture)
for arch in "${architectures[@]}"; do
  echo "== the Debian package for $arch"
  toolchain=()
  if [[ $arch != "$native" ]]; then
    triplet=$(dpkg-architecture -a"$arch" -qDEB_HOST_GNU_TYPE 2>/dev/null)
    toolchain=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/$triplet.cmake")
  fi
  configure "$builds/$arch" "${toolchain[@]}" \
    -DCPACK_DEBIAN_PACKAGE_ARCHITECTURE="$arch"
  package "$builds/$arch" DEB
done

echo "== the Windows zip"
configure "$builds/win64" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
package "$builds/win64" ZIP

echo "== the Node package"
configure "$builds/wasm" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/wasm32-wasi.cmake"
# npm dates every file of its tarball alike and lists them in order.
(cd "$builds/wasm/npm" &&
  npm pack --pack-destination "$dist" --loglevel=error >/dev/null)

echo "== the web page"
LOGVANE_WASM=$builds/wasm/npm/logvane.wasm tools/build-web.sh
version=$(sed -n 's/^project(logvane VERSION \([^ )]*\).*/\1/p' CMakeLists.txt)
site=logvane-$version-web
tar -C "$root/build-web" --sort=name --mtime="@$SOURCE_DATE_EPOCH" \
  --owner=0 --group=0 --numeric-owner --mode=u+rwX,go=rX --format=gnu \
  --transform="s|^site|$site|" -cf - site | gzip -9n >"$dist/$site.tar.gz"

(cd "$dist" && sha256sum -- * >SHA256SUMS)
echo "== dist/, commit $commit"
cat "$dist/SHA256SUMS"
