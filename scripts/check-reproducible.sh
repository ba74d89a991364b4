#!/usr/bin/env bash
# An occasional check, not part of the test command (it is one more release
# build from scratch): scripts/package.sh gives the same bytes again. Clones
# the current commit into a temporary folder elsewhere, so that nothing
# built here is reused and the tree lies at another path, runs
# scripts/package.sh there and compares its SHA256SUMS with dist/SHA256SUMS
# here, which must come from the same commit.
# Usage: check-reproducible.sh
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ -f "$here/dist/SHA256SUMS" ] || { echo "check-reproducible: run scripts/package.sh first" >&2; exit 1; }
[ -z "$(git -C "$here" status --porcelain --untracked-files=no)" ] ||
  { echo "check-reproducible: commit your changes first: the clone has only what is committed" >&2; exit 1; }
clone=$(mktemp -d /tmp/vexa-reproducible.XXXXXX)
trap 'rm -rf "$clone"' EXIT
git clone -q --no-hardlinks "$here" "$clone/vexa"
git -C "$clone/vexa" checkout -q --detach "$(git -C "$here" rev-parse HEAD)"
# The clone's own Xvfb, if one is needed, takes a display number of its own.
VEXA_XVFB_DISPLAY=${VEXA_XVFB_DISPLAY:-98} bash "$clone/vexa/scripts/package.sh"
if diff "$here/dist/SHA256SUMS" "$clone/vexa/dist/SHA256SUMS"; then
  echo "reproducible: a second build from scratch at $clone gave the same bytes:"
  cat "$here/dist/SHA256SUMS"
else
  echo "check-reproducible: the second build differs (above)" >&2
  exit 1
fi
