#!/usr/bin/env bash
# The browser suite: builds the native logvane and logvane.wasm, builds the
# page (web/) around the module, serves it on 127.0.0.1 and drives it in
# Debian's chromium headless through puppeteer-core: the golden logs, a
# bench log, a binary file and a 1,000,000-record log go through the file
# input, and every document the page offers must be the native build's,
# byte for byte. Installs what it needs (chromium; tools/build-web.sh
# installs the rest). Ends with one line, "web: N passed, N failed".
#
# LOGVANE_WASM names a module to use instead of building one;
# LOGVANE_WEB_HUGE a log to convert alone while the browser's memory is
# measured (bench/make_log 10000000 1 /tmp/huge.txt: 960 MB, kept out of CI);
# LOGVANE_WEB_TIMEOUT the seconds the browser part may take in all (900, and
# 1,800 more with a huge log): past them it is stopped and counted failed.
# Chromium is ended with this script, however the test ended.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

tools/install-missing @build @web chromium=chromium

out=$root/build-web

echo "== native build"
tools/build.sh

echo "== logvane.wasm and the page"
tools/build-web.sh
wasm=$out/site/logvane.wasm

echo "== logs"
logs=$out/logs
rm -rf "$logs" && mkdir -p "$logs"
g++ -O2 -std=c++20 -o "$out/make_log" bench/make_log.cc
"$out/make_log" 100000 7 "$logs/bench-100k.txt" >/dev/null
"$out/make_log" 1000000 1 "$logs/bench-1m.txt" >/dev/null
# Any file that is not a log: the first bytes of the module.
head -c 20000 "$wasm" >"$logs/not-a-log.bin"

# The golden cases whose one argument is a file of the case, as the page's
# argument is always the name of the file given: no setup, no other
# working directory, no locale, not only for Windows, and a name in UTF-8
# (a browser has names as text).
golden=()
for case_dir in tests/golden/*/; do
  [[ -f $case_dir/args && $(wc -l <"$case_dir/args") -eq 1 ]] || continue
  [[ -e $case_dir/setup || -e $case_dir/cwd || -e $case_dir/locale ]] && continue
  if [[ -e $case_dir/systems ]] && ! grep -qx posix "$case_dir/systems"; then
    continue
  fi
  name=$(<"$case_dir/args")
  [[ -n $name && $name != */* && -f $case_dir/$name ]] || continue
  iconv -f UTF-8 -t UTF-8 <<<"$name" >/dev/null 2>&1 || continue
  golden+=("$case_dir$name")
done
echo "${#golden[@]} golden logs"

echo "== the page in chromium"
work=$(mktemp -d)
# Chromium leads a process group of its own, named in chromium.pid.
end_browser() {
  local pid
  pid=$(cat "$work/chromium.pid" 2>/dev/null) || pid=
  if [[ -n $pid ]]; then
    kill -KILL -- "-$pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap end_browser EXIT
huge=()
limit=${LOGVANE_WEB_TIMEOUT:-900}
if [[ -n ${LOGVANE_WEB_HUGE:-} ]]; then
  huge=(--huge "$LOGVANE_WEB_HUGE")
  limit=${LOGVANE_WEB_TIMEOUT:-2700}
fi
status=0
timeout --kill-after=15 "$limit" node tests/web/page-test.mjs \
  --site "$out/site" --logvane "$root/build/logvane" --work "$work" \
  --pid-file "$work/chromium.pid" --sample examples/zurich-lake-boat.txt \
  "${huge[@]}" --big "$logs/bench-1m.txt" --screenshot "$out/page.png" \
  "${golden[@]}" "$logs/bench-100k.txt" "$logs/not-a-log.bin" |
  tee "$work/output" || status=$?
if ((status == 124 || status == 137)) && ! grep -q '^web: ' "$work/output"; then
  # Stopped before its closing line: what it checked counts, and so does
  # the stop.
  echo "FAIL the browser suite did not end within $limit s"
  echo "web: $(grep -c '^ok ' "$work/output") passed," \
    "$(($(grep -c '^FAIL ' "$work/output") + 1)) failed"
fi
exit "$status"
