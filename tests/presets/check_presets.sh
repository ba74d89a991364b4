#!/usr/bin/env bash
# Checks every factory preset file of every edition against its line in the
# preset table: the file holds the line's settings (loading it shows the
# same parameter texts as typing the settings in, and it renders the same
# sound as the settings to within the rounding of the stored values) and,
# for VST2 programs, the line's name; and the sound over the demo loop has
# the level and peak the line states.
# Usage: check_presets.sh VEXA_HOST VEXA_DEMO TABLE EDITION...
#   where each EDITION is MODULE:PRESET_DIR:EXTENSION, for example
#   build/linux/plugin/Vexa.so:build/linux/presets/vst2:fxp
set -uo pipefail
host=$1 demo=$2 table=$3
shift 3
# VST2 programs store normalized floats: the sound may differ from the
# typed settings' by their rounding, far below hearing (-80 dBFS; a resonant
# filter sweep spreads a cut-off's rounding to 7e-5).
MAX_DIFFERENCE=0.0001
# Where a VST2 program file keeps its 28-byte name.
NAME_OFFSET=28
NAME_BYTES=28

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0 checked=0
fail() {
  echo "FAIL $1: $2"
  failures=$((failures + 1))
}
trim() { sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' <<<"$1"; }

"$demo" signal "$work/input.wav" 8 >/dev/null || { echo "FAIL: no demo loop"; exit 1; }

# The level and peak of OUT: "RMS-change-dB peak-dBFS", from the demo's report.
measure() {
  "$demo" report "$work/input.wav" "$1" "$1" |
    awk 'NR == 2 { rms = $5 } NR == 3 { printf "%.2f %.2f\n", $5 - rms, $4 }'
}

check_preset() { # module dir extension name settings level peak
  local module=$1 name=$4 settings=$5 level=$6 peak=$7 sets=() s before=$failures
  local file="$2/$4.$3" what="$4.$3"
  checked=$((checked + 1))
  for s in $settings; do sets+=(--set "$s"); done
  [ -f "$file" ] || { fail "$what" "no file $file"; return; }

  if [ "$3" = fxp ]; then
    local stored
    stored=$(dd if="$file" bs=1 skip=$NAME_OFFSET count=$NAME_BYTES 2>/dev/null | tr -d '\0')
    [ "$stored" = "$name" ] || fail "$what" "the file names itself '$stored'"
  fi

  "$host" state save "$module" "$work/typed.chunk" "${sets[@]}" >/dev/null || { fail "$what" "settings refused"; return; }
  local typed loaded
  typed=$("$host" state load "$module" "$work/typed.chunk")
  loaded=$("$host" state load "$module" "$file") || { fail "$what" "vexa-host does not load the file"; return; }
  [ "$typed" = "$loaded" ] || fail "$what" "loads as
$loaded
instead of
$typed"

  # Without a tail both renders are as long as the loop, which the table's
  # levels are measured over.
  "$host" render "$module" "$work/input.wav" "$work/preset.wav" --tail 0 --preset "$file" &&
    "$host" render "$module" "$work/input.wav" "$work/typed.wav" --tail 0 "${sets[@]}" ||
    { fail "$what" "render failed"; return; }
  local difference
  difference=$("$demo" report "$work/input.wav" "$work/preset.wav" "$work/typed.wav" | sed -n 's/.*two outputs: //p')
  awk -v d="$difference" -v m=$MAX_DIFFERENCE 'BEGIN { exit !(d != "" && d <= m) }' ||
    fail "$what" "renders up to $difference away from its settings"

  local rms top
  read -r rms top <<<"$(measure "$work/preset.wav")"
  awk -v r="$rms" -v range="$level" -v p="$top" -v limit="$peak" 'BEGIN {
    split(range, b, /\.\./); exit !(r >= b[1] && r <= b[2] && p <= limit) }' ||
    fail "$what" "level change $rms dB, peak $top dBFS; the table says $level dB, at most $peak dBFS"
  [ "$failures" -ne "$before" ] || echo "ok $what: level change $rms dB, peak $top dBFS"
}

for edition in "$@"; do
  IFS=: read -r module dir extension <<<"$edition"
  lines=0
  while IFS='|' read -r name settings level peak _; do
    case $name in '#'* | '') continue ;; esac
    lines=$((lines + 1))
    check_preset "$module" "$dir" "$extension" "$(trim "$name")" "$(trim "$settings")" "$(trim "$level")" "$(trim "$peak")"
  done <"$table"
  files=$(find "$dir" -name "*.$extension" | wc -l)
  [ "$files" -eq "$lines" ] || fail "$dir" "$files .$extension files for $lines table lines"
done
[ "$checked" -gt 0 ] || fail "table" "no presets checked"
echo "presets: $checked checked, $failures failures"
[ "$failures" -eq 0 ]
