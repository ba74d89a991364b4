#!/usr/bin/env bash
# Writes the generated parts of the committed fuzz seed corpora:
#   fuzz/corpus/png    our own small images (png_seed_maker)
#   fuzz/corpus/chunk  the committed state files of tests/data/state, each
#                      as a program and as a bank chunk (the target's first
#                      byte chooses: odd for a program)
# The host-call corpus is a minimised corpus of a long fuzz run; regression
# inputs of fixed findings sit beside the seeds as regression-* files.
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
