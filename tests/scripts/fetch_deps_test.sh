#!/usr/bin/env bash
# The dependency fetch downloads exactly the pinned version, accepts only the
# files whose hashes the lock records, refetches when the pinned version
# changes and rewrites the hashes on request. apt-get and dpkg-source are
# replaced by stand-ins that serve files from a fixture folder.
set -uo pipefail
script=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/scripts/fetch-deps.sh
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"

mkdir -p "$work/bin" "$work/served"
cat > "$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "$*" >> "$STUB_LOG"
[ -z "${STUB_UNAVAILABLE:-}" ] || { echo "E: Can not find version" >&2; exit 100; }
cp "$STUB_SERVED"/* .
STUB
cat > "$work/bin/dpkg-source" <<'STUB'
#!/usr/bin/env bash
dsc=$4 dir=$5
mkdir -p "$dir" && cp "$dsc" "$dir/"
STUB
chmod +x "$work/bin/"*
export PATH=$work/bin:$PATH STUB_LOG=$work/apt.log STUB_SERVED=$work/served
echo "source description" > "$work/served/demo_1.0-1.dsc"
echo "upstream sources" > "$work/served/demo_1.0.orig.tar.gz"

hash_of() { sha256sum < "$work/served/$1" | cut -d' ' -f1; }
write_lock() { # version
  {
    echo "# pinned for the test"
    echo "package demo $1 demo"
    echo "file demo_1.0-1.dsc $(hash_of demo_1.0-1.dsc)"
    echo "file demo_1.0.orig.tar.gz $(hash_of demo_1.0.orig.tar.gz)"
  } > "$work/deps.lock"
}
export VEXA_DEPS_LOCK=$work/deps.lock
fetch() { bash "$script" "$@" "$work/dest" > "$work/out" 2>&1; }
calls() { wc -l < "$STUB_LOG" 2>/dev/null || echo 0; }

# A download that matches the lock is unpacked and marked with its version.
write_lock 1.0-1
check "matching download is unpacked" fetch
check "the pinned version is requested" grep -qx "source -q --download-only demo=1.0-1" "$STUB_LOG"
check "the folder is marked with package and version" \
  test "$(cat "$work/dest/demo/.unpacked")" = "demo 1.0-1"
check "no download folder is left" test ! -e "$work/dest/dl-demo"

# Up to date: nothing is downloaded again.
check "an unpacked pinned version is kept" fetch
check "without a second download" test "$(calls)" -eq 1

# A new pinned version replaces the unpacked one.
write_lock 1.0-2
check "a changed pin fetches again" fetch
check "the new version is requested" grep -qx "source -q --download-only demo=1.0-2" "$STUB_LOG"
check "and marked" test "$(cat "$work/dest/demo/.unpacked")" = "demo 1.0-2"

# Downloads that differ from the lock are refused and nothing is unpacked.
refused() { # expected-text
  rm -rf "$work/dest"
  ! fetch && grep -q "$1" "$work/out" && grep -q "refusing the download" "$work/out" &&
    test ! -e "$work/dest/demo/.unpacked"
}
write_lock 1.0-1
echo "tampered" >> "$work/served/demo_1.0.orig.tar.gz"
check "a file with another hash is refused and named" refused "downloaded demo_1.0.orig.tar.gz $(hash_of demo_1.0.orig.tar.gz)"
write_lock 1.0-1
echo "extra" > "$work/served/demo_1.0-1.debian.tar.xz"
check "an unpinned extra file is refused" refused "downloaded demo_1.0-1.debian.tar.xz"
rm "$work/served/demo_1.0-1.debian.tar.xz" "$work/served/demo_1.0.orig.tar.gz"
check "a missing file is refused" refused "pinned     demo_1.0.orig.tar.gz"

# A version the archive no longer has fails with the package and version named.
echo "upstream sources" > "$work/served/demo_1.0.orig.tar.gz"
rm -rf "$work/dest"
STUB_UNAVAILABLE=1 fetch
check "an unavailable version fails clearly" \
  grep -q "could not download source package demo version 1.0-1" "$work/out"

# Relocking records the hashes of what was downloaded and keeps the rest.
echo "new upstream sources" > "$work/served/demo_1.0.orig.tar.gz"
check "relock succeeds" fetch --relock
check "relock records the new hash" \
  grep -qx "file demo_1.0.orig.tar.gz $(hash_of demo_1.0.orig.tar.gz)" "$work/deps.lock"
kept() { grep -qx "# pinned for the test" "$work/deps.lock" && grep -qx "package demo 1.0-1 demo" "$work/deps.lock"; }
check "relock keeps comments and package lines" kept
check "relock leaves each file listed once" test "$(grep -c '^file ' "$work/deps.lock")" -eq 2
rm -rf "$work/dest"
check "the relocked download is accepted" fetch

# Named packages: only those are fetched (a Linux build's tests need libpng
# alone); a name the lock does not pin fails before any download.
{ cat "$work/deps.lock"; echo "package other 2.0-1 other"; echo "file other_2.0-1.dsc 0000"; } > "$work/two.lock"
rm -rf "$work/dest"
: > "$STUB_LOG"
named() { VEXA_DEPS_LOCK=$work/two.lock bash "$script" "$work/dest" "$@" > "$work/out" 2>&1; }
check "a named package is fetched" named demo
check "only the named package is requested" test "$(cat "$STUB_LOG")" = "source -q --download-only demo=1.0-1"
check "and no other is unpacked" test ! -e "$work/dest/other"
: > "$STUB_LOG"
only_pinned() { ! named demo nosuch && grep -q "pins no package nosuch" "$work/out" && test ! -s "$STUB_LOG"; }
check "an unpinned name fails without a download" only_pinned

echo "fetch-deps: $failures failed"
[ $failures -eq 0 ]
