#!/bin/sh
# Builds the package twice from copies of the sources in two folders of
# different names and lengths, at two different times, with nothing set by
# hand, and fails unless the two packages are the same bytes.
# Usage: check_reproducible.sh CMAKE CPACK GENERATOR SOURCE [CMAKE-ARGUMENT...]
# GENERATOR is cpack's (DEB, ZIP); the arguments go to cmake (a toolchain).
set -eu

cmake=$1
cpack=$2
generator=$3
source=$4
shift 4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset SOURCE_DATE_EPOCH
gitdir=$(git -C "$source" rev-parse --absolute-git-dir)

build() {
  copy=$1
  mkdir -p "$copy"
  # The files of the checkout as they are now (new ones too), and the
  # repository itself, whose last commit dates the package.
  (cd "$source" && git ls-files -z --cached --others --exclude-standard |
    xargs -0 tar cf - --ignore-failed-read --) |
    (cd "$copy" && tar xf -)
  echo "gitdir: $gitdir" >"$copy/.git"
  "$cmake" -S "$copy" -B "$copy/build" -DCMAKE_BUILD_TYPE=Release \
    -DLOGVANE_TESTS=OFF "$@" >"$work/log" 2>&1 &&
    "$cmake" --build "$copy/build" -j2 --target logvane >>"$work/log" 2>&1 &&
    (cd "$copy/build" && "$cpack" -G "$generator" -B "$copy/out") \
      >>"$work/log" 2>&1 || { cat "$work/log" >&2; exit 1; }
  find "$copy/out" -maxdepth 1 -type f \( -name '*.deb' -o -name '*.zip' \)
}
first=$(build "$work/one" "$@")
# A second later at the least, whatever the build took.
sleep 1
second=$(build "$work/the-second-folder/logvane" "$@")
sha256sum "$first" "$second" | sed "s|$work/||"
if [ -z "$first" ] || [ -z "$second" ]; then
  echo "FAIL: a build made no package" >&2
  exit 1
fi
if ! cmp "$first" "$second"; then
  echo "FAIL: two builds of the same sources gave different packages" >&2
  exit 1
fi
echo "the two packages are identical"
