#!/usr/bin/env bash
# Writes the generated parts of the committed fuzz seed corpora:
#   fuzz/corpus/png    our own small images (png_seed_maker)
#   fuzz/corpus/chunk  the committed state files of tests/data/state, each
#                      as a program and as a bank chunk (the target's first
#                      byte chooses: odd for a program)
# Beside these, found-* files are the minimised corpus of a long fuzz run
# (libFuzzer's -merge=1) and regression-* files inputs that once found a
# fault; this script leaves both alone.
# Usage: make-fuzz-seeds.sh [BUILD_ROOT]   (needs the sanitize build)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
root=${1:-$here/build}
cmake --build "$root/sanitize" --target png_seed_maker >/dev/null
"$root/sanitize/fuzz/png_seed_maker" "$here/fuzz/corpus/png"
mkdir -p "$here/fuzz/corpus/chunk"
for f in "$here"/tests/data/state/*.bin; do
  name=$(basename "$f" .bin)
  { printf '\x01'; cat "$f"; } > "$here/fuzz/corpus/chunk/state-$name-as-program"
  { printf '\x00'; cat "$f"; } > "$here/fuzz/corpus/chunk/state-$name-as-bank"
done
echo "make-fuzz-seeds: chunk seeds written to fuzz/corpus/chunk"
