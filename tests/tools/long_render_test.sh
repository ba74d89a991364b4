#!/usr/bin/env bash
# A two-hour stereo file renders whole in constant memory: read, processed
# and written a block at a time, the resident set stays below 200 MiB
# (the 32-bit Windows build once ran out of address space at 20 minutes).
# The input is silence stored as a hole in the file, so it takes no disk
# space; the output (1.3 GB of 16-bit samples) is removed at the end.
# Usage: long_render_test.sh VEXA_MODULE HOST_COMMAND...
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../scripts/check.sh"
module=$1
shift
frames=$((2 * 3600 * 44100))
limit_mib=200

python3 "$here/audio_fixture.py" write "$work/two-hours.wav" $frames 2 silence --sparse
start=$(date +%s)
"$@" render "$module" "$work/two-hours.wav" "$work/out.wav" --out-format wav:pcm16 --verbose 2>"$work/err.raw"
rc=$?
seconds=$(( $(date +%s) - start ))
tr -d '\r' <"$work/err.raw" | grep -v '^call ' >"$work/err"
cat "$work/err"
peak=$(sed -n 's/^peak memory: \([0-9.]*\) MiB resident$/\1/p' "$work/err")
echo "rendered in $seconds s, peak memory ${peak:-not reported} MiB"
check "the two-hour render completes" test $rc -eq 0
check "every frame is read and written" grep -qF "$frames input frames and 0 tail frames at 44100 Hz, $frames frames written" "$work/err"
check "the output holds every frame" test "$(stat -c %s "$work/out.wav" 2>/dev/null || echo 0)" -eq $((44 + 4 * frames))
check "the peak memory stays below $limit_mib MiB" awk -v p="${peak:-999999}" -v l=$limit_mib 'BEGIN { exit !(p < l) }'
echo "long render: $failures failures"
[ "$failures" -eq 0 ]
