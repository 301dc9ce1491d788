#!/usr/bin/env bash
# Peak resident memory and time of logvane on large and hostile logs: a
# 1 GB log, a 200 MB log that is one line, a 100 MB number, 100 MB of
# whitespace, 100 MB of NUL bytes and a 100 MB word. Memory must not grow with
# the input, and time must grow linearly with it: each input is also run at a
# tenth of its size, and the table shows the ratio of the two times.
#
# Usage: bench/stress_memory.sh [--build-dir DIR] [--data-dir DIR] [--quick]
# --quick divides every size by ten (for a check of the script itself).
set -euo pipefail
export LC_ALL=C

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=$root/build-bench
data_dir=${TMPDIR:-/tmp}/logvane-stress
scale=1
while (($# > 0)); do
  case $1 in
    --build-dir) build_dir=${2:?}; shift 2 ;;
    --data-dir) data_dir=${2:?}; shift 2 ;;
    --quick) scale=10; shift ;;
    *) echo "Usage: bench/stress_memory.sh [--build-dir DIR]" \
         "[--data-dir DIR] [--quick]" >&2; exit 2 ;;
  esac
done
if [[ ! -x /usr/bin/time ]]; then
  echo "stress_memory.sh: /usr/bin/time is missing (apt-get install -y time)" >&2
  exit 1
fi

cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release \
  -DLOGVANE_BENCH=ON -DLOGVANE_TESTS=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target make_log logvane >/dev/null
logvane=$build_dir/logvane
make_log=$build_dir/bench/make_log
mkdir -p "$data_dir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

header=$'preamble\r\none\r\ntwo\r\nReference longitude 8.5\r\nReference latitude 47.25\r\nx\r\ny\r\n'

# make NAME BYTES: writes $data_dir/NAME-BYTES.txt unless it is there.
make() {
  local name=$1 bytes=$2 file="$data_dir/$1-$2.txt"
  [[ -s $file ]] && { echo "$file"; return; }
  case $name in
    records) "$make_log" $((bytes / 96)) 1 "$file" >/dev/null ;;
    one-line) # records separated by spaces, no line feed anywhere
      "$make_log" $((bytes / 96)) 1 /dev/stdout | tr '\r\n' '  ' >"$file" ;;
    number) { printf '%s' "$header"; printf 'w w 1 8.'
              head -c "$bytes" /dev/zero | tr '\0' '7'; } >"$file" ;;
    whitespace) { printf '%s' "$header"
                  head -c "$bytes" /dev/zero | tr '\0' ' '; } >"$file" ;;
    nul) { printf '%s' "$header"; head -c "$bytes" /dev/zero; } >"$file" ;;
    word) { printf '%s' "$header"
            head -c "$bytes" /dev/zero | tr '\0' 'w'; } >"$file" ;;
  esac
  echo "$file"
}

# measure FILE: prints "seconds rss_kb status"
measure() {
  local file=$1
  local start=$EPOCHREALTIME
  (cd "$work" && /usr/bin/time -f '%M' -o "$work/time" \
     "$logvane" "$file" >/dev/null 2>&1) && status=0 || status=$?
  local seconds
  seconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }')
  read -r rss <"$work/time"
  rm -f "$work"/*.kml
  echo "$seconds $rss $status"
}

printf '%-11s %10s %9s %9s %10s %8s\n' input MB seconds rss_kb small_s ratio
max_rss=0
for input in records:1000000000 one-line:200000000 number:100000000 \
            whitespace:100000000 nul:100000000 word:100000000; do
  name=${input%%:*}
  bytes=$((${input#*:} / scale))
  big=$(make "$name" "$bytes")
  small=$(make "$name" $((bytes / 10)))
  measure "$big" >/dev/null  # warm the page cache
  read -r seconds rss status <<<"$(measure "$big")"
  read -r small_seconds _ _ <<<"$(measure "$small")"
  ratio=$(awk -v a="$seconds" -v b="$small_seconds" \
            'BEGIN { if (b > 0) printf "%.1f", a / b; else print "-" }')
  printf '%-11s %10d %9s %9s %10s %8s\n' "$name" $((bytes / 1000000)) \
    "$seconds" "$rss" "$small_seconds" "$ratio"
  ((rss > max_rss)) && max_rss=$rss
  [[ $status -eq 0 ]] || echo "  (status $status)"
done
echo "max_rss_kb=$max_rss"
