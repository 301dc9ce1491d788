#!/usr/bin/env bash
# Builds the fuzz targets with clang (ASan + UBSan + libFuzzer) in build-fuzz,
# replays fuzz/regressions/, then fuzzes each target for SECONDS (default
# 20) on a scratch copy of its seed corpus. Fails if any input crashes a
# target or breaks one of its checks; the input is kept in
# build-fuzz/artifacts/.
#
#   fuzz/run.sh [SECONDS_PER_TARGET]
#
# The convert target spends a third of its time on inputs of up to 256 KB,
# which cross the reader's 64 KB buffer; the rest on inputs of up to 8 KB.
# LOGVANE_FUZZ_BUILD_DIR overrides the build directory.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds < 3)); then
  echo "usage: $0 [SECONDS_PER_TARGET (3 or more)]" >&2
  exit 2
fi

tools/install-missing clang++=clang cmake=cmake make=make \
  "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-*.a=libclang-rt-14-dev"

build=${LOGVANE_FUZZ_BUILD_DIR:-build-fuzz}
cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

scratch=$(mktemp -d)
trap 'rm -rf -- "$scratch"' EXIT
artifacts=$build/artifacts
mkdir -p -- "$artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
summary=()

# Runs one target; the last arguments go to libFuzzer.
fuzz() {
  local target=$1 label=$2
  shift 2
  local log=$scratch/$label.log
  if "$build/$target" -artifact_prefix="$artifacts/$label-" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 "$@" >"$log" 2>&1; then
    local done_line execs
    done_line=$(grep -E "^#[0-9]+[[:space:]]+DONE" "$log" | tail -n 1 || true)
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    summary+=("$label: ${execs:-?} runs; ${done_line:-no final line}")
  else
    status=1
    summary+=("$label: FAILED, see below")
    echo "=== $label failed; its log ends:" >&2
    tail -n 60 -- "$log" >&2
  fi
}

for target in convert number output_name; do
  regressions=("fuzz/regressions/$target"/*)
  if [ -e "${regressions[0]}" ]; then
    fuzz "${target}_fuzzer" "$target-regressions" "${regressions[@]}"
  fi
done

for target in convert number output_name; do
  corpus=$scratch/corpus-$target
  mkdir -p -- "$corpus"
  cp -- "fuzz/corpus/$target"/* "$corpus/"
  if [ "$target" = convert ]; then
    large=$((seconds / 3))
    fuzz convert_fuzzer convert -max_len=8192 \
      -max_total_time=$((seconds - large)) "$corpus"
    # Without length control libFuzzer mutates the 68 KB seed from the start.
    fuzz convert_fuzzer convert-large -max_len=262144 -len_control=0 \
      -max_total_time="$large" "$corpus"
  else
    fuzz "${target}_fuzzer" "$target" -max_len=8192 \
      -max_total_time="$seconds" "$corpus"
  fi
done

printf '%s\n' "${summary[@]}"
if [ "$status" -ne 0 ]; then
  echo "fuzzing found a failure; inputs are in $artifacts" >&2
fi
exit "$status"
