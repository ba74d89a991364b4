#!/usr/bin/env bash
# Sets up, builds every target and runs the demo: a synthesised drum loop
# with a bass line rendered through the Linux build and through the Windows
# 32-bit build (under Wine) with audible settings, a picture of the editor
# and a short report.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

vexa_setup
# The display comes before the first Wine program: Wine's desktop process,
# shared by the programs that follow it within a few seconds, keeps the
# display it started with.
vexa_start_display || exit 1
trap vexa_stop_display EXIT
# The Windows builds run a test-image maker under Wine while they build.
vexa_wine_prefix
vexa_build linux win32 win64

out=$VEXA_ROOT/build/demo
mkdir -p "$out"
settings=(--set Pitch=7 --set Mix=50 --set Intensity=60 --set Sequence=1)
linux=$VEXA_ROOT/build/linux
win32=$VEXA_ROOT/build/win32

"$linux/tools/vexa-demo" signal "$out/input.wav" 8
"$linux/tools/vexa-host" render "$linux/plugin/Vexa.so" "$out/input.wav" "$out/output-linux.wav" "${settings[@]}"
"$VEXA_ROOT/scripts/wine-run.sh" "$win32/tools/vexa-host.exe" render "$win32/plugin/Vexa.dll" \
  "$out/input.wav" "$out/output-win32.wav" "${settings[@]}"
{
  echo "Vexa demo: 8 s drum loop with bass, Pitch +7, Mix 50, Intensity 60, Sequence on"
  echo
  "$linux/tools/vexa-demo" report "$out/input.wav" "$out/output-linux.wav" "$out/output-win32.wav"
} > "$out/report.txt"

# The editor as a host shows it: the win32 build under Wine and the Linux
# build, each in a real window; both pictures must be the same pixels.
"$VEXA_ROOT/scripts/wine-run.sh" "$win32/tools/vexa-host.exe" snapshot "$win32/plugin/Vexa.dll" "$out/editor.png"
"$linux/tools/vexa-host" snapshot "$linux/plugin/Vexa.so" "$out/editor-linux.png"
if cmp -s "$out/editor.png" "$out/editor-linux.png"; then
  echo "editor picture: editor.png (the Linux and win32 editors draw the same pixels)" >> "$out/report.txt"
else
  echo "editor picture: editor.png; the Linux editor's picture differs: editor-linux.png" >> "$out/report.txt"
fi
cat "$out/report.txt"
echo
echo "demo output: $out"
