#!/bin/sh
# Builds the Windows zip from a configured and built tree and inspects it.
# Usage: check_zip.sh CPACK CMAKE BUILD/CPackConfig.cmake VERSION OBJDUMP SOURCE
# The zip and its contents are made in a temporary directory.
set -eu

cpack=$1
cmake=$2
config=$3
version=$4
objdump=$5
source=$6
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

# Contents: one folder with the program, the README, the licence and the page.
(cd "$work" && "$cmake" -E tar tf "$zip") | sort >"$work/files"
cat "$work/files"
printf '%s\n' "$folder/LICENSE" "$folder/README.md" \
  "$folder/logvane.exe" "$folder/logvane.txt" | sort >"$work/expected_files"
if ! cmp -s "$work/files" "$work/expected_files"; then
  fail "files in the zip differ from the expected ones:"
  diff "$work/expected_files" "$work/files" >&2 || true
fi

mkdir "$work/unpacked"
(cd "$work/unpacked" && "$cmake" -E tar xf "$zip")
unpacked=$work/unpacked/$folder
for file in LICENSE README.md; do
  cmp -s "$source/$file" "$unpacked/$file" || fail "$file is not the project's"
done

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

# The page as text: plain ASCII, CR LF line ends, the version in it.
page=$unpacked/logvane.txt
if LC_ALL=C grep -q '[^[:print:][:space:]]' "$page"; then
  fail "logvane.txt holds bytes that are not plain text"
fi
if [ "$(grep -c "$(printf '\r')\$" "$page")" -ne "$(wc -l <"$page")" ]; then
  fail "logvane.txt does not end every line with CR LF"
fi
grep -q "logvane $version" "$page" ||
  fail "logvane.txt does not carry version $version"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "zip checks passed"
