#!/usr/bin/env bash
# A state saved by one build restores exactly in every other: the chunk bytes
# are identical across targets and editions (the VST2 module's chunk, the
# VST3 component's state) and each reads the others' states back to the same
# parameter values.
# Usage: cross_state.sh BUILD_ROOT
set -euo pipefail
root=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
settings=(--set Q=2.5 --set Frequency=1234.56 --set Attack=0.0033 --set Release=0.3
          --set Intensity=45.5 --set Mix=12.25 --set Output=-3 --set Pitch=7 --set Sequence=1)

run() { # target args...
  local target=$1; shift
  case $target in
    linux) "$root/linux/tools/vexa-host" "$@" ;;
    win32|win64) "$here/scripts/wine-run.sh" "$root/$target/tools/vexa-host.exe" "$@" ;;
  esac
}
module() { # target-edition
  case $1 in
    linux-vst2) echo "$root/linux/plugin/Vexa.so" ;;
    *-vst2) echo "$root/${1%-vst2}/plugin/Vexa.dll" ;;
    *-vst3) echo "$root/${1%-vst3}/plugin/Vexa.vst3" ;;
  esac
}

builds=(linux-vst2 linux-vst3 win32-vst2 win32-vst3 win64-vst2 win64-vst3)
for b in "${builds[@]}"; do
  run "${b%-*}" state save "$(module "$b")" "$work/$b.state" "${settings[@]}" >/dev/null
done
for b in "${builds[@]}"; do
  cmp "$work/linux-vst2.state" "$work/$b.state" || { echo "FAIL: $b saves other bytes than linux-vst2"; exit 1; }
done
expected=$(run linux state load "$(module linux-vst2)" "$work/win32-vst3.state" | tr -d '\r')
for from in "${builds[@]}"; do
  for to in "${builds[@]}"; do
    got=$(run "${to%-*}" state load "$(module "$to")" "$work/$from.state" | tr -d '\r')
    [ "$got" = "$expected" ] || { echo "FAIL: state from $from read by $to differs"; echo "$got"; exit 1; }
  done
done
echo "$expected"
echo "OK: states saved by both editions on linux, win32 and win64 are identical and restore alike in each"
