#!/bin/sh
# Checks the Debian package the way a user meets it: clones this repository
# afresh, builds the package, installs it with dpkg -i, reads the manual page,
# converts the sample log, and removes the package again.
#
# It installs system-wide, so it is no CTest test: run it by hand, as root or
# with sudo available, on a Debian machine with g++, cmake, dpkg-dev and man-db.
# Usage: packaging/check_install.sh [REPOSITORY]   (default: this checkout)
set -eu

repo=${1:-$(git -C "$(dirname "$0")" rev-parse --show-toplevel)}
if [ "$(id -u)" -eq 0 ]; then sudo=; else sudo=sudo; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

step() { printf '\n== %s\n' "$*"; }
die() { echo "FAIL: $*" >&2; exit 1; }

# Never replace or remove a logvane the machine already has.
if dpkg-query -W -f '${Status}' logvane 2>/dev/null | grep -q installed; then
  die "a logvane package is installed already; remove it first"
fi
[ ! -e /usr/bin/logvane ] || die "/usr/bin/logvane exists already"
man_target=/usr/share/man/man1/logvane.1.gz
[ ! -e "$man_target" ] || die "$man_target exists already"

step "fresh clone of $repo"
git clone --quiet "$repo" "$work/src"
git -C "$work/src" log -1 --format='%h %s'

step "build and package"
cmake -S "$work/src" -B "$work/build" -DLOGVANE_TESTS=OFF >/dev/null
cmake --build "$work/build" -j "$(nproc)" >/dev/null
(cd "$work/build" && cpack -G DEB -B "$work/out" >/dev/null)
set -- "$work"/out/*.deb
if [ $# -ne 1 ] || [ ! -f "$1" ]; then die "expected one .deb, found: $*"; fi
deb=$1
basename "$deb"
dpkg-deb -f "$deb" Package Version Section Depends

step "dpkg path filters"
# Slim container images tell dpkg to drop manual pages on install
# (path-exclude=/usr/share/man/* in /etc/dpkg/dpkg.cfg.d/). A path-include
# given on the command line comes after the configuration and wins.
dpkg_options=
excludes=$(grep -hs '^[[:space:]]*path-exclude' /etc/dpkg/dpkg.cfg \
  /etc/dpkg/dpkg.cfg.d/* || true)
if [ -n "$excludes" ]; then
  echo "$excludes"
  if echo "$excludes" | grep -q '/usr/share/man'; then
    echo "manual pages are excluded here: installing with --path-include"
    dpkg_options="--path-include=$man_target"
  fi
else
  echo "none"
fi

step "dpkg -i"
# From here on the package is removed again however the script ends.
installed=yes
cleanup() {
  if [ "$installed" = yes ]; then $sudo dpkg -r logvane >/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
# shellcheck disable=SC2086  # dpkg_options is empty or one word
$sudo dpkg -i $dpkg_options "$deb"
dpkg -L logvane
command -v logvane
[ "$(command -v logvane)" = /usr/bin/logvane ] ||
  die "logvane is not found as /usr/bin/logvane on PATH"

step "man -w logvane"
man -w logvane
[ "$(man -w logvane)" = "$man_target" ] || die "man finds no installed page"

step "man logvane | head"
page=$(MANWIDTH=80 man logvane 2>"$work/man.err")
[ ! -s "$work/man.err" ] || { cat "$work/man.err"; die "man warned"; }
echo "$page" | head -n 12
version=$(dpkg-deb -f "$deb" Version)
echo "$page" | grep -q '^NAME' || die "the page has no NAME section"
echo "$page" | grep -q "logvane $version" ||
  die "the page does not show version $version"

step "convert the sample"
set -- "$work"/src/examples/*.txt
[ -f "$1" ] || die "no sample log in examples/"
sample=$1
name=$(basename "$sample" .txt)
mkdir "$work/run"
status=0
(cd "$work/run" && logvane "$sample") >"$work/stdout" || status=$?
echo "logvane examples/$(basename "$sample"): status $status," \
  "stdout $(tr -d '\r' <"$work/stdout")"
[ "$status" -eq 0 ] || die "logvane exited with status $status"
ls -l "$work/run"
[ -s "$work/run/$name.kml" ] || die "$name.kml was not written"
[ "$(ls "$work/run")" = "$name.kml" ] || die "other files appeared"
head -c 300 "$work/run/$name.kml" | tr -d '\r'; echo "..."
echo "$(grep -c '^-\{0,1\}[0-9][0-9.]*,-\{0,1\}[0-9][0-9.]*,' \
  "$work/run/$name.kml") coordinate lines"
if command -v xmllint >/dev/null; then
  xmllint --noout "$work/run/$name.kml" && echo "xmllint: well-formed"
fi

step "dpkg -r logvane"
$sudo dpkg -r logvane
installed=no
[ ! -e /usr/bin/logvane ] || die "/usr/bin/logvane is still there"
[ ! -e "$man_target" ] || die "$man_target is still there"
echo "removed: no /usr/bin/logvane, no $man_target"

step "all install checks passed"
