#!/usr/bin/env bash
# The benchmark report's ratio check: a ratio passes within its margin and
# fails beyond it in either direction, uses the median of the repetitions,
# fails on a failed or missing run, and rejects a malformed baseline; the
# committed baseline names only known measures; the table shows medians and
# marks failed runs.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
report=$root/scripts/bench-report.py
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"
fails() { ! "$@"; }

# results FILE RUN COUNTER VALUE...: one repetition per VALUE, as the
# benchmark programs write them; the value "error" makes a failed repetition.
results() {
  local file=$1 run=$2 counter=$3 v sep=""
  shift 3
  {
    echo '{"context": {}, "benchmarks": ['
    for v in "$@"; do
      if [ "$v" = error ]; then
        echo "$sep{\"run_name\": \"$run\", \"run_type\": \"iteration\", \"error_occurred\": true}"
      else
        echo "$sep{\"run_name\": \"$run\", \"run_type\": \"iteration\", \"cpu_time\": 5, \"time_unit\": \"ns\", \"$counter\": $v}"
      fi
      sep=","
    done
    echo "$sep{\"run_name\": \"$run\", \"run_type\": \"aggregate\", \"$counter\": 1000}"
    echo ']}'
  } > "$work/$file"
}
baseline() { printf '%s\n' "# test baseline" "$@" > "$work/baseline.txt"; }
run_check() { python3 "$report" check "$work/baseline.txt" "$work"/*.json > "$work/out" 2>&1; }

results speed.json SideBySide/busy_hot speedup 3.0 3.1 2.9
results paint.json FullRedrawAgainstSurfaceCopy ratio 2.0 2.1 2.2
baseline "speedup.busy_hot 3.2 higher 2" "redraw_per_copy 2.3 lower 2"
check "ratios within their margins pass" run_check
check "each ratio gets a line" test "$(grep -c ': ok$' "$work/out")" -eq 2

baseline "speedup.busy_hot 6.4 higher 2"
check "a speed-up below baseline / margin fails" fails run_check
check "the failing ratio is named" grep -q "speedup.busy_hot: 3 .*FAILED" "$work/out"
baseline "speedup.busy_hot 6.0 higher 2"
check "a speed-up at baseline / margin passes" run_check

baseline "redraw_per_copy 1.0 lower 2"
check "a cost ratio above baseline × margin fails" fails run_check

results speed.json SideBySide/busy_hot speedup 3.0 0.5 3.1
baseline "speedup.busy_hot 3.2 higher 2"
check "one slow repetition does not fail the median" run_check
results speed.json SideBySide/busy_hot speedup 3.0 error 3.1
check "a failed repetition fails the check" fails run_check
check "and says there is no result" grep -q "speedup.busy_hot: FAILED (no result)" "$work/out"

baseline "silence_per_noise 0.7 lower 2"
check "a measure that did not run fails" fails run_check
baseline "no_such_measure 1 lower 2"
check "an unknown measure fails" fails run_check
baseline "speedup.busy_hot 3.2 sideways 2"
check "a malformed baseline line is rejected" fails run_check

echo '{"benchmarks": []}' > "$work/empty.json"
python3 "$report" check "$root/bench/baseline.txt" "$work/empty.json" > "$work/out" 2>&1
check "the committed baseline names only known measures" fails grep -q "unknown measure" "$work/out"
check "the committed baseline has entries" grep -q "FAILED (no result)" "$work/out"

results speed.json SideBySide/busy_hot speedup 3.0 2.0 3.5
python3 "$report" table "header line" "$work"/*.json > "$work/out" 2>&1
check "the table starts with its header" test "$(head -1 "$work/out")" = "header line"
check "the table shows the median and the spread" \
  grep -q "busy settings, loud signal | 3.00× | 2.00× – 3.50× |" "$work/out"
check "a measure without results is marked" grep -q "Heap of one more opened instance | failed or not run" "$work/out"

echo "bench report test: $failures failure(s)"
[ "$failures" -eq 0 ]
