#!/usr/bin/env bash
# Writes the committed set of program and bank chunks in tests/data/state:
# chunks saved by the current Linux build (defaults and a full set of
# non-default settings) and hand-made damaged and hostile ones derived from
# them. Tests restore every file on every target and compare the result with
# what they record, so the stored format cannot drift unnoticed. Run it only
# to add files; the existing ones must stay as they are.
# Usage: make-state-files.sh [BUILD_ROOT]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
root=${1:-$here/build}
host=$root/linux/tools/vexa-host
plugin=$root/linux/plugin/Vexa.so
out=$here/tests/data/state
mkdir -p "$out"

settings=(--set Q=2.5 --set Frequency=1234.56 --set Attack=0.0033 --set Release=0.3
          --set Intensity=45.5 --set Mix=12.25 --set Output=-3 --set Pitch=7 --set Sequence=1)
"$host" state save "$plugin" "$out/program-default.bin" --program >/dev/null
"$host" state save "$plugin" "$out/bank-default.bin" >/dev/null
"$host" state save "$plugin" "$out/program-settings.bin" --program "${settings[@]}" >/dev/null
"$host" state save "$plugin" "$out/bank-settings.bin" "${settings[@]}" >/dev/null

# hex HEX...: writes the bytes given as two-digit hex numbers to stdout.
hex() {
  local b
  for b in "$@"; do printf "\\x$b"; done
}
header=(74 66 66 70 00 00 01 00)
# Doubles in little-endian byte order.
d_1e9=(00 00 00 00 65 cd cd 41)
d_minus_1e9=(00 00 00 00 65 cd cd c1)
d_nan=(00 00 00 00 00 00 f8 7f)
d_inf=(00 00 00 00 00 00 f0 7f)
d_minus_inf=(00 00 00 00 00 00 f0 ff)
d_tiny=(01 00 00 00 00 00 00 00)

settings_values() { tail -c 72 "$out/program-settings.bin"; }

# Program chunks.
head -c 44 "$out/program-settings.bin" > "$out/program-cut-inside-fifth-value.bin"
head -c 8 "$out/program-settings.bin" > "$out/program-header-only.bin"
head -c 4 "$out/program-settings.bin" > "$out/program-magic-only.bin"
settings_values > "$out/program-values-without-header.bin"
{ hex 00 00 00 00 00 00 01 00; settings_values; } > "$out/program-wrong-magic.bin"
{ cat "$out/program-settings.bin"; hex de ad be ef 01 02 03 04; } > "$out/program-trailing-bytes.bin"
hex "${header[@]}" "${d_1e9[@]}" "${d_minus_1e9[@]}" "${d_inf[@]}" "${d_minus_inf[@]}" "${d_nan[@]}" \
  "${d_tiny[@]}" "${d_1e9[@]}" "${d_minus_1e9[@]}" "${d_nan[@]}" > "$out/program-out-of-range.bin"
: > "$out/empty.bin"

# Bank chunks: header, then name length, name, initialised flag, values.
bank_values() { tail -c 72 "$out/bank-settings.bin"; }
head -c 50 "$out/bank-settings.bin" > "$out/bank-cut-inside-values.bin"
head -c 10 "$out/bank-settings.bin" > "$out/bank-cut-inside-name-length.bin"
head -c 13 "$out/bank-settings.bin" > "$out/bank-cut-before-flag.bin"
{ hex "${header[@]}" ff ff ff 7f 2d 01; bank_values; } > "$out/bank-huge-name-length.bin"
{ hex "${header[@]}" fe ff ff ff 2d 01; bank_values; } > "$out/bank-negative-name-length.bin"
{ hex "${header[@]}" 2c 01 00 00; head -c 300 /dev/zero | tr '\0' 'n'; hex 01
  bank_values; } > "$out/bank-long-name.bin"
{ hex "${header[@]}" 03 00 00 00 61 00 62 01; bank_values; } > "$out/bank-name-with-zero-byte.bin"
hex "${header[@]}" 01 00 00 00 2d 00 > "$out/bank-slot-not-initialised.bin"
{ hex 74 66 66 70 ff ff 00 00; bank_values; } > "$out/bank-older-version.bin"
{ hex 74 66 66 70 00 00 02 00 01 00 00 00 2d 01; bank_values; } > "$out/bank-newer-version.bin"
ls "$out"
