#!/bin/sh
# Builds the Debian package from a configured and built tree and inspects it.
# Usage: check_package.sh CPACK BUILD/CPackConfig.cmake VERSION [RUNTIME]
# RUNTIME, an extended regular expression, names the packages of a C++
# library that the build left shared (libc++).
# The package and its staging tree are made in a temporary directory.
set -eu

cpack=$1
config=$2
version=$3
runtime=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

if ! "$cpack" -G DEB --config "$config" -B "$work/out" >"$work/cpack.log" 2>&1
then
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack could not build the package" >&2
  exit 1
fi
set -- "$work"/out/*.deb
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  cat "$work/cpack.log" >&2
  echo "FAIL: expected one .deb in $work/out, found: $*" >&2
  exit 1
fi
deb=$1
arch=$(dpkg --print-architecture)
echo "package: $(basename "$deb")"

# Contents: the program, the compressed page, the licence and the changelog,
# nothing else but directories.
dpkg-deb -c "$deb" >"$work/contents"
cat "$work/contents"
awk '$1 !~ /^d/ { print $1, $2, $6 }' "$work/contents" | sort >"$work/files"
cat >"$work/expected_files" <<'EOF'
-rw-r--r-- root/root ./usr/share/man/man1/logvane.1.gz
-rw-r--r-- root/root ./usr/share/doc/logvane/copyright
-rw-r--r-- root/root ./usr/share/doc/logvane/changelog.gz
-rw-r--r-- root/root ./usr/share/lintian/overrides/logvane
-rwxr-xr-x root/root ./usr/bin/logvane
EOF
sort -o "$work/expected_files" "$work/expected_files"
if ! cmp -s "$work/files" "$work/expected_files"; then
  fail "files in the package differ from the expected ones:"
  diff "$work/expected_files" "$work/files" >&2 || true
fi
if awk '$1 ~ /^d/ && $1 != "drwxr-xr-x"' "$work/contents" | grep -q .; then
  fail "a directory in the package is not drwxr-xr-x"
fi

# Control fields.
dpkg-deb -I "$deb"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = logvane ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] ||
  fail "Version is '$(field Version)', the project's version is $version"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[ "$(field Architecture)" = "$arch" ] ||
  fail "Architecture is '$(field Architecture)', dpkg says $arch"
[ -n "$(field Maintainer)" ] || fail "no Maintainer field"
[ -n "$(field Description)" ] || fail "no Description field"
# libstdc++ and libgcc are linked in: libc6 is the one dependency, with the
# lowest version dpkg-shlibdeps found. Beside it only RUNTIME's packages.
depends=$(field Depends)
others=$depends
if [ -n "$runtime" ]; then
  others=$(echo "$depends" | tr ',' '\n' | sed 's/^ *//' |
    grep -Ev "^($runtime)( |\$)" | paste -sd ',' -)
fi
echo "$others" | grep -Eq '^libc6 \(>= [0-9][^)]*\)$' ||
  fail "Depends is '$depends', expected libc6 (>= ...) alone${runtime:+ beside $runtime}"

# The files themselves: the program runs, the page carries the version.
dpkg-deb -x "$deb" "$work/root"
status=0
"$work/root/usr/bin/logvane" >"$work/usage" 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "logvane without arguments exited with $status"
printf 'Usage: logvane txtfile\r\n' | cmp -s - "$work/usage" ||
  fail "logvane without arguments did not print the usage text"
if ! gzip -t "$work/root/usr/share/man/man1/logvane.1.gz"; then
  fail "the manual page is not valid gzip"
elif ! gzip -dc "$work/root/usr/share/man/man1/logvane.1.gz" |
    grep -q "^\.TH LOGVANE 1 .*\"logvane $version\""; then
  fail "the manual page's title line does not carry version $version"
fi

grep -q '^License: Expat$' "$work/root/usr/share/doc/logvane/copyright" ||
  fail "the copyright file names no Expat (MIT) licence"
changelog=$work/root/usr/share/doc/logvane/changelog.gz
gzip -dc "$changelog" 2>/dev/null | head -n 1 |
  grep -q "^logvane ($version) " ||
  fail "the changelog's first entry is not version $version"

# lintian, where it is installed: no tag at all, even at --pedantic with
# the informational ones, but the two the package overrides, each with its
# reason (packaging/lintian-overrides).
if command -v lintian >/dev/null; then
  if "$(dirname "$0")/../../tools/lintian-clean" "$deb"; then
    echo "lintian: no tags"
  else
    fail "lintian found fault with the package"
  fi
else
  echo "lintian is not installed: its checks are skipped"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package checks passed"
