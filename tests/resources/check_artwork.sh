#!/usr/bin/env bash
# Regenerates the editor's images into a temporary folder and compares them
# byte for byte with the committed ones. Exits 77 (skipped) when Debian's
# Python cairo bindings are not installed.
set -uo pipefail
root=${1:?usage: check_artwork.sh SOURCE_ROOT}
python=/usr/bin/python3
if ! "$python" -c 'import cairo' 2>/dev/null; then
  echo "SKIPPED: $python cannot import cairo (install python3-cairo: scripts/setup.sh)"
  exit 77
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$python" "$root/tools/artwork/generate.py" --out "$out" || exit 1
status=0
count=0
for committed in "$root"/resources/img/*.png; do
  name=$(basename "$committed")
  count=$((count + 1))
  if ! cmp -s "$committed" "$out/$name"; then
    echo "differs from a fresh rendering: resources/img/$name"
    status=1
  fi
done
for fresh in "$out"/*.png; do
  name=$(basename "$fresh")
  if [ ! -f "$root/resources/img/$name" ]; then
    echo "not committed: resources/img/$name"
    status=1
  fi
done
if [ "$count" -ne 12 ]; then
  echo "expected 12 committed images, found $count"
  status=1
fi
[ "$status" -eq 0 ] && echo "all $count images regenerate byte for byte"
exit "$status"
