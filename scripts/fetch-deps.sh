#!/usr/bin/env bash
# Obtains the zlib and libpng sources from Debian's source packages and
# unpacks them (with Debian's patches applied) under DEST. Used by the
# Windows builds, which compile both libraries statically, and by the tests
# and fuzz targets of every build, which read libpng's test images.
# Usage: fetch-deps.sh DEST
set -euo pipefail
dest=$1
mkdir -p "$dest"
cd "$dest"

fetch() { # source-package directory-name
  local pkg=$1 dir=$2
  [ -f "$dir/.unpacked" ] && return 0
  rm -rf "$dir" "dl-$pkg"
  mkdir "dl-$pkg"
  # Try the versions the archive lists, newest first: a version listed by
  # one suite may be missing from the pool that serves it.
  local versions ok=0
  versions=$(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -u -r -V)
  for v in $versions; do
    if (cd "dl-$pkg" && apt-get source -q --download-only "$pkg=$v" >/dev/null 2>&1); then
      ok=1; break
    fi
    rm -f "dl-$pkg"/*
  done
  if [ $ok -ne 1 ]; then
    echo "fetch-deps: could not download source package $pkg" >&2
    exit 1
  fi
  dpkg-source -q -x --no-check "dl-$pkg"/*.dsc "$dir" >/dev/null
  rm -rf "dl-$pkg" ./*.orig.tar.*
  touch "$dir/.unpacked"
}

fetch zlib zlib
fetch libpng1.6 libpng
echo "fetch-deps: sources ready in $dest"
