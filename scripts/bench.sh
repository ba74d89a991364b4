#!/usr/bin/env bash
# The performance report: builds the linux preset if needed, runs the
# benchmarks once (several short repetitions each) and prints one Markdown
# table of ratios and times, headed by the date, the processor and its core
# count. Every ratio is timed side by side in processor time within one run.
#
# Usage: bench.sh           the table, on standard output (about a minute)
#        bench.sh --check   compares the ratios with bench/baseline.txt and
#                           fails if one has regressed beyond its margin
#                           (ratios only, never absolute times)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# The check skips the real-time factors, which are absolute speeds.
# The check times only the editor's open and close against the audio thread.
case ${1:-} in
  "") mode=table min_time=0.5 effect='^(SideBySide|Hosted)/|^SilenceAgainstNoise$' stall='.' ;;
  --check) mode=check min_time=0.2 effect='^SideBySide/|^SilenceAgainstNoise$' stall='^AudioStall/EditorOpenClose/' ;;
  *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac
# Repetitions per benchmark; the figures are their medians.
repetitions=5
bench_dir=$VEXA_ROOT/build/linux/bench

# Build output goes to standard error, so the table can be redirected alone.
vexa_build linux >&2 || exit 1

out=$(mktemp -d)
# The audio-stall benchmark opens editor windows: a virtual display unless
# one works already, ended at exit if this script started it.
vexa_start_display >&2 || exit 1
trap 'rm -rf "$out"; [ -z "${VEXA_XVFB_PID:-}" ] || vexa_stop_display' EXIT

# run PROGRAM FILTER [REPETITIONS]: one benchmark program, its results as
# JSON in $out.
run() {
  local program=$1 filter=$2 reps=${3:-$repetitions} name
  name=$(basename "$program")
  echo "== running $name" >&2
  if ! "$bench_dir/$program" --benchmark_filter="$filter" --benchmark_min_time="$min_time" \
    --benchmark_repetitions="$reps" --benchmark_out="$out/$name.json" \
    --benchmark_out_format=json >"$out/$name.log" 2>&1; then
    cat "$out/$name.log" >&2
    return 1
  fi
}

t0=$(date +%s)
failed=0
run plugin/plugin_effect_chain_bench "$effect" || failed=1
run graphics/graphics_bench '.' || failed=1
run raster/raster_bench '^BM_DecodeEditorImages$' || failed=1
run module/module_bench '.' || failed=1
# One run each: its figures are already medians over many operations.
run module/module_stall_bench "$stall" 1 || failed=1
echo "== benchmarks ran in $(( $(date +%s) - t0 )) s" >&2
[ "$failed" -eq 0 ] || echo "bench: a benchmark program failed" >&2

report=$VEXA_ROOT/scripts/bench-report.py
if [ "$mode" = check ]; then
  python3 "$report" check "$VEXA_ROOT/bench/baseline.txt" "$out"/*.json && [ "$failed" -eq 0 ]
  exit
fi

cpu=$(lscpu 2>/dev/null | sed -n 's/^Model name:[[:space:]]*//p' | head -1)
[ -n "$cpu" ] || cpu=$(sed -n 's/^model name[[:space:]]*:[[:space:]]*//p' /proc/cpuinfo | head -1)
load=$(cut -d' ' -f1 /proc/loadavg 2>/dev/null)
header="Measured $(date -u '+%Y-%m-%d %H:%M UTC') on ${cpu:-an unknown processor}, $(nproc) cores"
header+=" (load average ${load:-unknown} at the end); medians of $repetitions repetitions."
python3 "$report" table "$header" "$out"/*.json
[ "$failed" -eq 0 ]
