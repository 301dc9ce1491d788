#!/bin/sh
# Builds the Windows zip from a configured and built tree and inspects it.
# Usage: check_zip.sh CPACK CMAKE BUILD/CPackConfig.cmake VERSION OBJDUMP SOURCE
#                     [EMULATOR...]
# The zip and its contents are made in a temporary directory. With an
# EMULATOR (Wine), the zipped logvane.exe converts the zipped sample there.
set -eu

cpack=$1
cmake=$2
config=$3
version=$4
objdump=$5
source=$6
shift 6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

if ! "$cpack" -G ZIP --config "$config" -B "$work/out" >"$work/cpack.log" 2>&1
then
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack could not build the zip" >&2
  exit 1
fi
folder=logvane-$version-win64
zip=$work/out/$folder.zip
if [ ! -f "$zip" ]; then
  cat "$work/cpack.log" >&2
  echo "FAIL: no $folder.zip in $work/out:" "$work"/out/* >&2
  exit 1
fi
echo "zip: $(basename "$zip")"

# Contents: one folder with the program, the Windows README, the licence,
# the page and the sample log.
(cd "$work" && "$cmake" -E tar tf "$zip") | sort >"$work/files"
cat "$work/files"
printf '%s\n' "$folder/LICENSE.txt" "$folder/README.txt" \
  "$folder/logvane.exe" "$folder/logvane.txt" \
  "$folder/zurich-lake-boat.txt" | sort >"$work/expected_files"
if ! cmp -s "$work/files" "$work/expected_files"; then
  fail "files in the zip differ from the expected ones:"
  diff "$work/expected_files" "$work/files" >&2 || true
fi

mkdir "$work/unpacked"
(cd "$work/unpacked" && "$cmake" -E tar xf "$zip")
unpacked=$work/unpacked/$folder

# Text for Notepad: every line ends with CR LF.
crlf_only() {
  [ "$(grep -c "$(printf '\r')\$" "$1")" -eq "$(wc -l <"$1")" ] ||
    fail "$(basename "$1") does not end every line with CR LF"
}
for file in README.txt LICENSE.txt logvane.txt; do
  crlf_only "$unpacked/$file"
done
tr -d '\r' <"$unpacked/LICENSE.txt" | cmp -s "$source/LICENSE" - ||
  fail "LICENSE.txt is not the project's licence"
cmp -s "$source/examples/zurich-lake-boat.txt" \
  "$unpacked/zurich-lake-boat.txt" ||
  fail "zurich-lake-boat.txt is not the project's sample"
# README.txt opens with the Windows program and, soon after, the command
# that converts the sample beside it.
head -n 1 "$unpacked/README.txt" | grep -q 'logvane\.exe' ||
  fail "README.txt does not open with logvane.exe"
head -n 25 "$unpacked/README.txt" |
  grep -q '^ *cmd: *logvane\.exe zurich-lake-boat\.txt' ||
  fail "README.txt does not start with converting the sample in cmd"

# The sample converts as README.txt says, in the unzipped folder.
if [ "$#" -gt 0 ]; then
  if ! (cd "$unpacked" && "$@" "$unpacked/logvane.exe" zurich-lake-boat.txt \
          >"$work/stdout"); then
    fail "logvane.exe zurich-lake-boat.txt failed"
  fi
  printf '8.541723\r\n' | cmp -s - "$work/stdout" ||
    fail "the sample's longitude is not 8.541723 CR LF"
  cmp -s "$source/tests/packaging/zurich-lake-boat.kml" \
    "$unpacked/zurich-lake-boat.kml" ||
    fail "the sample's document differs from the expected one"
fi

# Everything else is linked in: the program needs no DLL Windows lacks.
"$objdump" -p "$unpacked/logvane.exe" |
  sed -n 's/^[[:space:]]*DLL Name: //p' | sort >"$work/imports"
printf '%s\n' KERNEL32.dll msvcrt.dll >"$work/expected_imports"
if ! cmp -s "$work/imports" "$work/expected_imports"; then
  fail "logvane.exe imports more than KERNEL32.dll and msvcrt.dll:"
  cat "$work/imports" >&2
fi

# The version resource, for Explorer's Properties, and the manifest.
"$objdump" -h "$unpacked/logvane.exe" | grep -q ' \.rsrc ' ||
  fail "logvane.exe has no .rsrc section"
strings -el "$unpacked/logvane.exe" >"$work/resource_strings"
for name in FileVersion ProductVersion; do
  grep -A1 -x "$name" "$work/resource_strings" | grep -q -x "$version" ||
    fail "logvane.exe has no $name $version"
done
grep -A1 -x ProductName "$work/resource_strings" | grep -q -x logvane ||
  fail "logvane.exe has no ProductName logvane"
strings "$unpacked/logvane.exe" >"$work/narrow_strings"
grep -q '<longPathAware[^>]*>true</longPathAware>' "$work/narrow_strings" ||
  fail "logvane.exe has no manifest that is long-path aware"
[ "$(grep -c '<supportedOS Id=' "$work/narrow_strings")" -eq 4 ] ||
  fail "logvane.exe's manifest does not name Windows 7, 8, 8.1 and 10"

# The page as text: plain ASCII, the version in it, no word broken at a
# line end, Windows' examples and not the POSIX shell's.
page=$unpacked/logvane.txt
if LC_ALL=C grep -q '[^[:print:][:space:]]' "$page"; then
  fail "logvane.txt holds bytes that are not plain text"
fi
grep -q "logvane $version" "$page" ||
  fail "logvane.txt does not carry version $version"
if grep -n "[[:alpha:]]-$(printf '\r')\$" "$page" >&2; then
  fail "logvane.txt breaks words at line ends"
fi
if grep -n -e '\$ ' -e xargs -e LC_ALL "$page" >&2; then
  fail "logvane.txt holds the POSIX shell's examples"
fi
grep -q 'for %f in' "$page" ||
  fail "logvane.txt has no cmd example"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "zip checks passed"
