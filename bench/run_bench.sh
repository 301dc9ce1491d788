#!/usr/bin/env bash
# Times `cat log > out`, baseline_convert and logvane on the same seeded
# synthetic logs, one size after another, and prints a table and a summary
# line for the 1,000,000-record log:
#   ratio_vs_cat=X ratio_baseline_over_logvane=Y rss_kb=Z
# X is logvane's median time over cat's, Y the baseline's over logvane's and
# Z logvane's peak resident memory in KB.
#
# Usage: bench/run_bench.sh [--sizes N,N,...] [--runs N] [--seed N]
#                           [--build-dir DIR] [--data-dir DIR] [--logvane BIN]
#
# The programs are built with optimisation into --build-dir (build-bench).
# Logs are kept in --data-dir between runs, one per size and seed, and are
# made again only when make_log has changed. Each size gets one warm-up run
# of each program under /usr/bin/time -v, which also gives its peak memory,
# then --runs timed rounds of the three in turn. Before every run, timed or
# not, the program's earlier output is removed, so that cat and both
# converters all write new files. --logvane times another binary in
# logvane's place.
set -euo pipefail
export LC_ALL=C

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sizes=10000,100000,1000000,10000000
runs=5
seed=1
build_dir=$root/build-bench
data_dir=${TMPDIR:-/tmp}/logvane-bench
logvane_bin=

usage() {
  echo "Usage: bench/run_bench.sh [--sizes N,N,...] [--runs N] [--seed N]" \
    "[--build-dir DIR] [--data-dir DIR] [--logvane BIN]" >&2
  exit 2
}

while (($# > 0)); do
  case $1 in
    --sizes) sizes=${2:?}; shift 2 ;;
    --runs) runs=${2:?}; shift 2 ;;
    --seed) seed=${2:?}; shift 2 ;;
    --build-dir) build_dir=$(realpath -m "${2:?}"); shift 2 ;;
    --data-dir) data_dir=$(realpath -m "${2:?}"); shift 2 ;;
    --logvane) logvane_bin=$(realpath "${2:?}"); shift 2 ;;
    *) usage ;;
  esac
done
[[ $runs =~ ^[1-9][0-9]*$ && $seed =~ ^[0-9]+$ &&
   $sizes =~ ^[0-9]+(,[0-9]+)*$ ]] || usage
if [[ ! -x /usr/bin/time ]]; then
  echo "run_bench.sh: /usr/bin/time is missing (apt-get install -y time)" >&2
  exit 1
fi

targets=(make_log baseline_convert)
[[ -n $logvane_bin ]] || targets+=(logvane)
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release \
  -DLOGVANE_BENCH=ON -DLOGVANE_TESTS=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target "${targets[@]}" >/dev/null
make_log=$build_dir/bench/make_log
baseline_bin=$build_dir/bench/baseline_convert
[[ -n $logvane_bin ]] || logvane_bin=$build_dir/logvane

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
programs=(cat baseline logvane)
for program in "${programs[@]}"; do mkdir "$work/$program"; done
mkdir -p "$data_dir"

fail() {
  echo "run_bench.sh: $1 failed on $log" >&2
  exit 1
}

# Sets command and output to one program's command line and the file its
# standard output goes to. Each program runs in a directory of its own,
# since both converters write their document into the current directory.
set_command() {
  case $1 in
    cat) command=(cat "$log") output=cat.out ;;
    baseline) command=("$baseline_bin" "$log") output=/dev/null ;;
    logvane) command=("$logvane_bin" "$log") output=/dev/null ;;
  esac
}

# Removes what the program wrote in an earlier run, untimed: every program
# writes a new file, as users do, and none pays for truncating an old one.
clear_outputs() {
  rm -f "$work/$1"/*
}

# Runs one program once and sets elapsed_us to its wall time.
time_run() {
  set_command "$1"
  clear_outputs "$1"
  cd "$work/$1"
  local start=${EPOCHREALTIME/./}
  "${command[@]}" >"$output" || fail "$1"
  local end=${EPOCHREALTIME/./}
  cd "$root"
  elapsed_us=$((end - start))
}

# Runs one program once under /usr/bin/time -v, which starts it directly so
# that no shell's memory is counted, and sets peak_kb to its peak resident
# memory.
measure_memory() {
  set_command "$1"
  clear_outputs "$1"
  cd "$work/$1"
  /usr/bin/time -v -o "$work/time.txt" "${command[@]}" >"$output" ||
    fail "$1"
  cd "$root"
  peak_kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' \
    "$work/time.txt")
}

# Prints the median, minimum and maximum of the numbers on standard input.
summarise() {
  sort -n | awk '{ value[NR] = $1 }
    END {
      if (NR % 2) middle = value[(NR + 1) / 2]
      else middle = (value[NR / 2] + value[NR / 2 + 1]) / 2
      print middle, value[1], value[NR]
    }'
}

echo "# every program writes a new file in each run (earlier outputs removed, untimed)"
printf '%10s %9s %-9s %9s %9s %9s %9s %8s\n' records log_MB program \
  median_s min_s max_s MB/s rss_KB
summary_size=
declare -A median_us peak_kb_of
for records in ${sizes//,/ }; do
  log=$data_dir/track-$records-seed$seed.txt
  if [[ ! -s $log || $make_log -nt $log ]]; then
    "$make_log" "$records" "$seed" "$log.part"
    mv "$log.part" "$log"
  fi
  bytes=$(stat -c %s "$log")

  declare -A times=()
  for program in "${programs[@]}"; do
    measure_memory "$program"
    peak_kb_of[$records.$program]=$peak_kb
    times[$program]=
  done
  expected_lines=$((records + 29))
  actual_lines=$(wc -l <"$work/logvane/track-$records-seed$seed.kml")
  if ((actual_lines != expected_lines)); then
    echo "run_bench.sh: logvane wrote $actual_lines lines for $records" \
      "records, not $expected_lines" >&2
  fi

  for ((round = 0; round < runs; ++round)); do
    for program in "${programs[@]}"; do
      time_run "$program"
      times[$program]+="$elapsed_us "
    done
  done
  for program in "${programs[@]}"; do
    read -r median min max < <(tr ' ' '\n' <<<"${times[$program]% }" |
      summarise)
    median_us[$records.$program]=$median
    awk -v n="$records" -v bytes="$bytes" -v p="$program" -v med="$median" \
      -v lo="$min" -v hi="$max" -v kb="${peak_kb_of[$records.$program]}" \
      'BEGIN { printf "%10d %9.1f %-9s %9.4f %9.4f %9.4f %9.1f %8d\n",
               n, bytes / 1e6, p, med / 1e6, lo / 1e6, hi / 1e6,
               bytes / med, kb }'
  done
  rm -f "$work"/*/*.kml "$work/cat/cat.out"
  if [[ -z $summary_size ]] || ((summary_size != 1000000 &&
      (records == 1000000 || records > summary_size))); then
    summary_size=$records
  fi
done

if ((summary_size != 1000000)); then
  echo "run_bench.sh: no 1000000-record log timed; the summary is for" \
    "$summary_size records" >&2
fi
awk -v cat="${median_us[$summary_size.cat]}" \
  -v baseline="${median_us[$summary_size.baseline]}" \
  -v logvane="${median_us[$summary_size.logvane]}" \
  -v kb="${peak_kb_of[$summary_size.logvane]}" \
  'BEGIN { printf "ratio_vs_cat=%.2f ratio_baseline_over_logvane=%.2f" \
                  " rss_kb=%d\n", logvane / cat, baseline / logvane, kb }'
