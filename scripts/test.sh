#!/usr/bin/env bash
# Sets up, builds every target and runs every test: the native suite, the
# Windows suites under Wine (32- and 64-bit), the sanitizer build with the
# fuzz targets and the ThreadSanitizer build with the threaded tests, then
# the cross-target checks and the benchmarks' ratio check. Prints one summary
# line at the end.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

start=$(date +%s)
vexa_setup || exit 1
# The display comes before the first Wine program: Wine's desktop process,
# shared by the programs that follow it within a few seconds, keeps the
# display it started with.
vexa_start_display || exit 1
trap vexa_stop_display EXIT
# The Windows builds run a test-image maker under Wine while they build.
vexa_wine_prefix
vexa_build linux win32 win64 sanitize tsan || exit 1

vexa_keep_wine_up

passed=0 failed=0
for preset in linux win32 win64 sanitize tsan; do
  echo "== test $preset"
  log=$VEXA_ROOT/build/$preset/ctest.log
  ctest --test-dir "$VEXA_ROOT/build/$preset" --output-on-failure -j"$(nproc)" 2>&1 | tee "$log"
  counts=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$log" | tail -1)
  if [ -z "$counts" ]; then
    echo "no test results for $preset"
    failed=$((failed + 1))
    continue
  fi
  read -r f total <<<"$counts"
  passed=$((passed + total - f))
  failed=$((failed + f))
done
echo "== cross-target state check"
if bash "$VEXA_ROOT/tests/module/cross_state.sh" "$VEXA_ROOT/build"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi
echo "== cross-target editor snapshot check"
if bash "$VEXA_ROOT/tests/module/cross_snapshot.sh" "$VEXA_ROOT/build"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi
echo "== benchmark ratio check"
if bash "$VEXA_ROOT/scripts/bench.sh" --check; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi
echo "== all tests finished in $(( $(date +%s) - start )) s"
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
