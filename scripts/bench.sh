#!/usr/bin/env bash
# Builds the Release benchmark directory and runs every benchmark and harness; the figures of
# docs/PERFORMANCE.md come from here. Results go to stdout and to build-g/bench-results.txt.
#
# Usage: scripts/bench.sh [--skip-build] [--quick] [--memory-minutes N] [--runs N]
#   --skip-build        use build-g as it is
#   --quick             shorter runs (3 s windows, one run each), no memory run
#   --memory-minutes N  length of the resident-set run (default 3; 0 skips it)
#   --runs N            runs of each pipeline configuration, the median is reported (default 3)
#
# Needs only bash, awk and getconf besides the build tools; xvfb-run is used when installed. The
# machine should be otherwise idle: figures taken on a busy machine scatter.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-g"
skip_build=0
quick=0
memory_minutes=3
runs=3
while [ $# -gt 0 ]; do
  case "$1" in
    --skip-build) skip_build=1 ;;
    --quick) quick=1; runs=1; memory_minutes=0 ;;
    --memory-minutes) memory_minutes=$2; shift ;;
    --runs) runs=$2; shift ;;
    *) echo "usage: $0 [--skip-build] [--quick] [--memory-minutes N] [--runs N]" >&2; exit 2 ;;
  esac
  shift
done
seconds=10
[ "$quick" = 1 ] && seconds=3

if [ "$skip_build" = 0 ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKARVO_BENCH=ON \
    -DKARVO_TESTS=OFF -DKARVO_SANITIZE=OFF > /dev/null
  nice ninja -C "$build" KarvoWheelConfig bench_protocol bench_descriptor bench_enumeration \
    bench_logfile bench_handoff bench_pipeline bench_startup
fi

results="$build/bench-results.txt"
exec > >(tee "$results") 2>&1
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
program="$build/src/app/KarvoWheelConfig"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

section() { printf '\n== %s\n' "$*"; }

section "Machine"
echo "cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
echo "memory: $(awk '/MemTotal/ {printf "%.1f GiB", $2/1048576}' /proc/meminfo)"
echo "kernel: $(uname -r); load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "date: $(date -u +%Y-%m-%dT%H:%M:%SZ); commit: $(git -C "$root" rev-parse --short HEAD)"

section "Google Benchmark programs"
for b in bench_descriptor bench_enumeration bench_logfile bench_handoff bench_protocol; do
  "$build/bench/$b" --benchmark_repetitions=$((quick ? 1 : 5)) --benchmark_report_aggregates_only=true \
    2>/dev/null | grep -v '^-\|^Benchmark\|_mean\|_stddev\|_cv' || true
done

# pipeline ARGS...: runs the harness $runs times and prints the median of its figures.
pipeline() {
  local out
  local wrapper=()
  [ "${xvfb_run:-0}" = 1 ] && wrapper=(xvfb-run -a)
  out=$(for _ in $(seq "$runs"); do
          "${wrapper[@]}" "$build/bench/bench_pipeline" --seconds "$seconds" --warmup 2 "$@" \
            2>/dev/null || true
        done)
  local line="$*:"
  for key in reports_per_s latency_median_us latency_p99_us cpu_ms_per_1000 gui_cpu_ms_per_1000 \
             cpu_percent_of_one_core; do
    local median
    median=$(echo "$out" | grep "^$key=" | cut -d= -f2 | sort -g |
             awk '{v[NR]=$1} END {if (NR) print v[int((NR+1)/2)]; else print "-"}')
    line="$line $key=$median"
  done
  local checks
  checks=$(echo "$out" | grep -c '^check=ok' || true)
  echo "$line checks_ok=$checks/$runs"
}

section "Report pipeline, streaming as fast as possible (median of $runs runs of ${seconds} s)"
pipeline --source firmware --dump on --window shown --page debug
pipeline --source firmware --dump off --window shown --page debug
pipeline --source firmware --dump on --window hidden
pipeline --source forces --dump on --window shown --page debug
pipeline --source forces --dump off --window shown --page debug
pipeline --source answers --dump on --window shown --page debug
if command -v xvfb-run > /dev/null; then
  echo "under Xvfb (X11):"
  QT_QPA_PLATFORM=xcb xvfb_run=1 pipeline --source firmware --dump on --window shown --page debug
fi

section "Idle cost: the firmware streaming at 1 kHz (harness)"
pipeline --rate 1khz --dump off --window shown --page base
pipeline --rate 1khz --dump off --window shown --page debug
pipeline --rate 1khz --dump on --window shown --page debug

# process_cpu_once LABEL RATE WRAPPER...: CPU of the whole program and of its two busiest
# threads (the GUI thread and the reader) over 10 s after a 3 s start; prints "total gui reader".
process_cpu_once() {
  local label=$1 rate=$2; shift 2
  local dir="$work/cpu-$label-$rate"
  rm -rf "$dir"
  mkdir -p "$dir"
  ln -sfn "$root/themes" "$dir/themes"
  (cd "$dir" && XDG_DATA_HOME="$dir/data" "$@" sh -c 'echo $$ > pid; exec "$0" --simulate --stream "$1"' \
     "$program" "$rate" > /dev/null 2>&1) &
  local wrapper=$!
  sleep 3
  local pid
  pid=$(cat "$dir/pid")
  threads() { for t in /proc/"$pid"/task/*; do echo "$(basename "$t") $(awk '{print $14+$15}' "$t/stat")"; done | sort; }
  local tck a b t0 t1 s0 s1
  tck=$(getconf CLK_TCK)
  a=$(awk '{print $14+$15}' "/proc/$pid/stat"); s0=$(threads); t0=$(date +%s.%N)
  sleep 10
  b=$(awk '{print $14+$15}' "/proc/$pid/stat"); s1=$(threads); t1=$(date +%s.%N)
  kill "$pid"
  wait "$wrapper" 2>/dev/null || true
  join <(echo "$s0") <(echo "$s1") |
    awk -v a="$a" -v b="$b" -v t0="$t0" -v t1="$t1" -v tck="$tck" -v pid="$pid" '
      { cpu = $3 - $2; if ($1 == pid) gui = cpu; else if (cpu > other) other = cpu }
      END { d = tck * (t1 - t0); printf "%.2f %.2f %.2f\n", 100*(b-a)/d, 100*gui/d, 100*other/d }'
}

# process_cpu LABEL RATE WRAPPER...: process_cpu_once $runs times; each run and the median.
process_cpu() {
  local label=$1 rate=$2; shift 2
  local out
  out=$(for _ in $(seq "$runs"); do process_cpu_once "$label" "$rate" "$@"; done)
  local median
  median=$(echo "$out" | sort -g | awk '{v[NR]=$0} END {print v[int((NR+1)/2)]}')
  echo "$median" | awk -v rate="$rate" -v label="$label" -v n="$runs" -v all="$(echo "$out" | cut -d' ' -f1 | paste -sd' ')" \
    '{printf "KarvoWheelConfig --simulate --stream %s (%s): %.2f %% of one core (GUI thread %.2f %%, reader %.2f %%), median of %d runs: %s\n", rate, label, $1, $2, $3, n, all}'
}

section "Idle cost: the whole program, 10 s after start (Base page shown)"
process_cpu offscreen 1khz env QT_QPA_PLATFORM=offscreen
process_cpu offscreen off env QT_QPA_PLATFORM=offscreen
if command -v xvfb-run > /dev/null; then
  process_cpu Xvfb 1khz xvfb-run -a env QT_QPA_PLATFORM=xcb
else
  echo "xvfb-run not installed: no X11 figure"
fi

section "Start-up"
"$build/bench/bench_startup" --runs $((quick ? 5 : 20)) 2>/dev/null | tail -2
"$build/bench/bench_startup" --runs $((quick ? 3 : 10)) --process "$program" 2>/dev/null | tail -1

if [ "$memory_minutes" -gt 0 ]; then
  section "Resident set over ${memory_minutes} min of streaming as fast as possible (window shown, Debug page, dump on)"
  "$build/bench/bench_pipeline" --seconds $((memory_minutes * 60)) --warmup 5 --rss-every 15 \
    --dir "$work/memory" 2>/dev/null |
    grep --line-buffered -E '^rss |^reports_per_s|^rss_|^log_view|^lost|^reordered|^check'
fi
echo
echo "Results written to $results"
