#!/usr/bin/env bash
# Obtains the zlib, libpng, libsamplerate and Google Benchmark sources the
# Windows builds compile statically (the tests of every build also read
# libpng's test images): the Debian source package versions pinned in cmake/deps.lock,
# every downloaded file checked against its recorded SHA-256, unpacked (with
# Debian's patches applied) under DEST. A package already unpacked at its
# pinned version is left alone.
# Usage: fetch-deps.sh DEST [PACKAGE...]  fetch what is missing or out of date
#                                         (of the named packages, or of all)
#        fetch-deps.sh --relock DEST      fetch every pinned version, record its hashes
# VEXA_DEPS_LOCK names another lock file.
set -euo pipefail
export LC_ALL=C
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
lock=${VEXA_DEPS_LOCK:-$here/../cmake/deps.lock}
relock=0
if [ "${1:-}" = --relock ]; then relock=1; shift; fi
if [ $# -lt 1 ] || { [ $relock -eq 1 ] && [ $# -ne 1 ]; }; then
  echo "usage: fetch-deps.sh DEST [PACKAGE...] | fetch-deps.sh --relock DEST" >&2
  exit 2
fi
dest=$1
shift
wanted=("$@")

fail() { echo "fetch-deps: $*" >&2; exit 1; }
[ -f "$lock" ] || fail "no lock file $lock"
lock=$(cd "$(dirname "$lock")" && pwd)/$(basename "$lock")
mkdir -p "$dest"
cd "$dest"

# "package version folder" of each pinned package.
packages() { awk '$1 == "package" { print $2, $3, $4 }' "$lock"; }

# "name sha256" of each file pinned for package $1, sorted by name.
pinned_files() {
  awk -v p="$1" '$1 == "package" { cur = $2 } $1 == "file" && cur == p { print $2, $3 }' "$lock" | sort
}

# "name sha256" of each file in directory $1, sorted by name.
downloaded_files() {
  local f
  for f in "$1"/*; do
    if [ -f "$f" ]; then echo "$(basename "$f") $(sha256sum < "$f" | cut -d' ' -f1)"; fi
  done | sort
}

# Fails unless directory $3 holds exactly the files pinned for package $1.
verify() {
  local pkg=$1 version=$2 dl=$3 want got
  want=$(pinned_files "$pkg")
  got=$(downloaded_files "$dl")
  [ -n "$want" ] || fail "$lock pins no files for $pkg"
  if [ "$want" != "$got" ]; then
    echo "fetch-deps: the download of $pkg $version does not match $lock:" >&2
    diff <(echo "$want") <(echo "$got") | sed -n 's/^< /  pinned     /p; s/^> /  downloaded /p' >&2 || true
    fail "refusing the download (after changing a version on purpose, run fetch-deps.sh --relock)"
  fi
}

fetch() { # package version folder
  local pkg=$1 version=$2 dir=$3 dl=dl-$1 log
  if [ $relock -eq 0 ] && [ "$(cat "$dir/.unpacked" 2>/dev/null)" = "$pkg $version" ]; then return 0; fi
  rm -rf "$dir" "$dl"
  mkdir "$dl"
  if ! log=$(cd "$dl" && apt-get source -q --download-only "$pkg=$version" 2>&1 </dev/null); then
    echo "$log" >&2
    fail "could not download source package $pkg version $version (pinned in $lock)"
  fi
  if [ $relock -eq 1 ]; then
    downloaded_files "$dl" > "relock-$pkg"
  else
    verify "$pkg" "$version" "$dl"
  fi
  # The hashes above cover the .dsc and every file it lists.
  dpkg-source -q -x --no-check "$dl"/*.dsc "$dir" >/dev/null </dev/null
  # dpkg-source leaves a copy of the upstream tarball beside the folder.
  rm -rf "$dl" ./*.orig.tar.*
  echo "$pkg $version" > "$dir/.unpacked"
  echo "fetch-deps: $pkg $version unpacked in $dir"
}

# Rewrites the lock's "file" lines from the hashes just downloaded.
write_lock() {
  local line kind pkg
  while IFS= read -r line; do
    read -r kind pkg _ <<<"$line" || true
    case $kind in
      file) ;;
      package) echo "$line"; sed 's/^/file /' "relock-$pkg"; rm -f "relock-$pkg" ;;
      *) echo "$line" ;;
    esac
  done < "$lock" > "$lock.new"
  mv "$lock.new" "$lock"
  echo "fetch-deps: recorded the hashes in $lock"
}

[ -n "$(packages)" ] || fail "$lock pins no packages"
for pkg in "${wanted[@]}"; do
  packages | cut -d' ' -f1 | grep -qxF -- "$pkg" || fail "$lock pins no package $pkg"
done
while read -r pkg version dir; do
  if [ ${#wanted[@]} -eq 0 ] || printf '%s\n' "${wanted[@]}" | grep -qxF -- "$pkg"; then
    fetch "$pkg" "$version" "$dir"
  fi
done <<<"$(packages)"
if [ $relock -eq 1 ]; then write_lock; fi
echo "fetch-deps: sources ready in $(pwd)"
