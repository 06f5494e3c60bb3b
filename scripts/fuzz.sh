#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each of them for a while on a scratch copy of
# its seed corpus, then prints executions and crashes per target.
# Usage: scripts/fuzz.sh [seconds per target, default 60]
# Environment: FUZZ_BUILD_DIR (default build-fuzz), FUZZ_TARGETS (default: all four),
#              FUZZ_JOBS (parallel fuzzing processes per target, default 1),
#              FUZZ_KEEP=1 (keep the scratch folder with the grown corpora and logs).
# Exit status: 0 when no target crashed, 1 when one did (its inputs are kept and listed).
set -euo pipefail
shopt -s nullglob

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
jobs=${FUZZ_JOBS:-1}
read -r -a targets <<< "${FUZZ_TARGETS:-fuzz_settings fuzz_appendlog fuzz_descriptor fuzz_reports}"

if [[ ! -f $build/build.ninja ]]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DKARVO_FUZZ=ON -DKARVO_TESTS=OFF > /dev/null
fi
nice ninja -C "$build" "${targets[@]}"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/karvo-fuzz.XXXXXX")
crashed=0
printf '%-16s %12s %8s %8s\n' target executions crashes corpus
for target in "${targets[@]}"; do
  name=${target#fuzz_}
  corpus=$scratch/corpus/$name
  artifacts=$scratch/artifacts/$name
  mkdir -p "$corpus" "$artifacts"
  if [[ -d $root/fuzz/corpus/$name ]]; then cp -r "$root/fuzz/corpus/$name/." "$corpus/"; fi
  log=$scratch/$target.log
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$artifacts/")
  if (( jobs > 1 )); then options+=(-jobs="$jobs" -workers="$jobs"); fi
  # The targets that write files do so in their own temporary folders; the working directory is
  # the scratch folder all the same, so a stray relative path lands there.
  status=0
  (cd "$scratch" && "$build/fuzz/$target" "${options[@]}" "$corpus") > "$log" 2>&1 || status=$?
  # With -jobs the statistics are in the workers' logs.
  logs=("$log" "$scratch"/fuzz-*.log)
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "${logs[@]}" |
               awk '{s += $1} END {print s + 0}')
  crashes=$(find "$artifacts" -type f | wc -l)
  if (( status != 0 && crashes == 0 )); then crashes=1; fi
  printf '%-16s %12s %8s %8s\n' "$target" "$executions" "$crashes" "$(find "$corpus" -type f | wc -l)"
  if (( crashes > 0 )); then
    crashed=1
    echo "  log: $log"
    find "$artifacts" -type f -printf '  kept input: %p\n'
  fi
  workerLogs=("$scratch"/fuzz-*.log)
  if (( ${#workerLogs[@]} > 0 )); then
    mkdir -p "$scratch/workers-$name"
    mv "${workerLogs[@]}" "$scratch/workers-$name/"
  fi
done

if (( crashed )); then
  echo "A target crashed; logs and inputs are kept in $scratch" >&2
  exit 1
fi
if [[ ${FUZZ_KEEP:-0} == 1 ]]; then
  echo "Corpora and logs kept in $scratch"
else
  rm -rf "$scratch"
fi
