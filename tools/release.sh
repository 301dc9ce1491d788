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
# cross-built with cmake/<GNU triplet>.cmake and Debian's cross compiler for
# it. The triplets are listed here, not asked of dpkg-architecture, so that
# the cross compilers are installed in the same stop as everything else.
architectures=(amd64 arm64 armel armhf i386 mips64el mipsel ppc64el s390x)
native=$(dpkg --print-architecture)
# The GNU triplet of a Debian architecture; names the cross compiler.
triplet_of() {
  case $1 in
    amd64) echo x86_64-linux-gnu ;;
    arm64) echo aarch64-linux-gnu ;;
    armel) echo arm-linux-gnueabi ;;
    armhf) echo arm-linux-gnueabihf ;;
    i386) echo i686-linux-gnu ;;
    mips64el) echo mips64el-linux-gnuabi64 ;;
    mipsel) echo mipsel-linux-gnu ;;
    ppc64el) echo powerpc64le-linux-gnu ;;
    s390x) echo s390x-linux-gnu ;;
  esac
}
cross=()
for arch in "${architectures[@]}"; do
  if [[ $arch != "$native" ]]; then
    triplet=$(triplet_of "$arch")
    cross+=("$triplet-g++=g++-$triplet")
  fi
done

tools/install-missing @build @package @windows @web git=git lintian=lintian \
  "${cross[@]}"

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
# package DIR GENERATOR [CPACK-ARGUMENT...]: cpack's package of the build in
# DIR, into dist/.
package() {
  local dir=$1 generator=$2
  shift 2
  (cd "$dir" && cpack -G "$generator" -B "$dir/out" "$@") >>"$dir.log" 2>&1 ||
    { cat "$dir.log" >&2; echo "$0: cpack failed in $dir" >&2; exit 1; }
  find "$dir/out" -maxdepth 1 -type f \( -name '*.deb' -o -name '*.zip' \) \
    -exec cp {} "$dist" \;
}

for arch in "${architectures[@]}"; do
  echo "== the Debian package for $arch"
  if [[ $arch == "$native" ]]; then
    configure "$builds/$arch"
    package "$builds/$arch" DEB
    continue
  fi
  triplet=$(triplet_of "$arch")
  configure "$builds/$arch" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$triplet.cmake" \
    -DCPACK_DEBIAN_PACKAGE_ARCHITECTURE="$arch"
  # The cross compiler's libraries belong to packages named for it
  # (libc6-armel-cross), which say "libc6:armel" where the package for the
  # architecture itself depends on plain libc6, as a build there would say.
  depends=$(cd "$builds/$arch" && mkdir -p debian &&
    printf 'Source: logvane\n\nPackage: logvane\nArchitecture: any\n' \
      >debian/control &&
    DEB_HOST_ARCH=$arch dpkg-shlibdeps -O -l"/usr/$triplet/lib" \
      -l"/usr/$triplet/lib64" logvane 2>>"$builds/$arch.log" |
    sed -n "s/^shlibs:Depends=//p" | sed "s/:$arch\b//g") || true
  if [[ -z $depends ]]; then
    cat "$builds/$arch.log" >&2
    echo "$0: no Depends found for $arch" >&2
    exit 1
  fi
  package "$builds/$arch" DEB -D CPACK_DEBIAN_PACKAGE_SHLIBDEPS=OFF \
    -D CPACK_DEBIAN_PACKAGE_DEPENDS="$depends"
done

# Every package as Debian checks it.
tools/lintian-clean "$dist"/*.deb ||
  { echo "$0: lintian finds fault with a package" >&2; exit 1; }

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
