#!/usr/bin/env bash
# A state saved by one build restores exactly in every other: the chunk bytes
# are identical across targets and each build reads the others' chunks back
# to the same parameter values.
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
module() {
  case $1 in
    linux) echo "$root/linux/plugin/Vexa.so" ;;
    *) echo "$root/$1/plugin/Vexa.dll" ;;
  esac
}

targets=(linux win32 win64)
for t in "${targets[@]}"; do
  run "$t" state save "$(module "$t")" "$work/$t.state" "${settings[@]}" >/dev/null
done
for t in win32 win64; do
  cmp "$work/linux.state" "$work/$t.state" || { echo "FAIL: $t saves other bytes than linux"; exit 1; }
done
expected=$(run linux state load "$(module linux)" "$work/win32.state" | tr -d '\r')
for from in "${targets[@]}"; do
  for to in "${targets[@]}"; do
    got=$(run "$to" state load "$(module "$to")" "$work/$from.state" | tr -d '\r')
    [ "$got" = "$expected" ] || { echo "FAIL: state from $from read by $to differs"; echo "$got"; exit 1; }
  done
done
echo "$expected"
echo "OK: states saved by linux, win32 and win64 are identical and restore alike in each"
