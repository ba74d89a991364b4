#!/usr/bin/env bash
# An occasional check, not part of the test command: the two commands of the
# README's quick start work on a minimal Debian 12. Builds a minimal root file
# system with debootstrap from the mirror apt already uses here, copies a fresh
# clone of the current commit into it, and runs `bash scripts/demo.sh` and
# `bash scripts/test.sh` there as root, timing each step. Needs root and the
# access to Debian's archive that apt has. Uncommitted changes are not part of
# the clone.
#
# Usage: check-minimal-debian.sh [--reuse] ROOT
#   ROOT must not exist unless --reuse is given, which runs again in a root
#   made by an earlier check (with a fresh clone). ROOT stays for inspection;
#   everything mounted under it is unmounted on exit.
# VEXA_MIRROR overrides the mirror. VEXA_XVFB_DISPLAY, if set, is the display
# number the tests' Xvfb takes inside; otherwise it takes a free one (the root
# shares this machine's abstract X sockets, which Xvfb finds taken).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$here/scripts/minimal-root.sh"

fail() { echo "check-minimal-debian: $*" >&2; exit 1; }
reuse=0
if [ "${1:-}" = --reuse ]; then reuse=1; shift; fi
[ $# -eq 1 ] || fail "usage: check-minimal-debian.sh [--reuse] ROOT"
[ "$(id -u)" -eq 0 ] || fail "must run as root (debootstrap, mount, chroot)"
root=$(realpath -m "$1")
[ "$root" != / ] || fail "ROOT must not be /"
if [ $reuse -eq 1 ]; then
  [ -f "$root/etc/debian_version" ] || fail "$root holds no root file system to reuse"
else
  [ ! -e "$root" ] || fail "$root exists; remove it (nothing may be mounted under it) or pass --reuse"
fi
display=${VEXA_XVFB_DISPLAY:-}

steps=()
timed() { # name command...
  local name=$1 t0 rc=0; shift
  echo "== $name"
  t0=$(date +%s)
  "$@" || rc=$?
  steps+=("$(printf '%-34s %6d s  %s' "$name" $(( $(date +%s) - t0 )) "$([ $rc -eq 0 ] && echo ok || echo "FAILED ($rc)")")")
  return $rc
}

summary() {
  echo
  echo "minimal Debian check in $root (commit $commit)"
  printf '%s\n' "${steps[@]}"
}

minimal_root_mirror >/dev/null || fail "no mirror"
commit=$(git -C "$here" rev-parse HEAD)

trap 'minimal_root_release; summary' EXIT
if [ $reuse -eq 0 ]; then
  timed "debootstrap --variant=minbase" minimal_root_create || fail "no root file system"
fi
minimal_root_mount

clone() {
  rm -rf "$root/root/vexa"
  git clone -q --no-hardlinks "$here" "$root/root/vexa" &&
    git -C "$root/root/vexa" checkout -q --detach "$commit"
}
timed "fresh clone of ${commit:0:7}" clone

in_root() { # step-name command
  mkdir -p "$root/root/logs"
  minimal_root_run ${display:+VEXA_XVFB_DISPLAY="$display"} "cd /root/vexa && $2" 2>&1 | tee "$root/root/logs/$1.log"
}
status=0
timed "bash scripts/demo.sh" in_root demo "bash scripts/demo.sh" || status=1
timed "bash scripts/demo.sh (again)" in_root demo-again "bash scripts/demo.sh" || status=1
timed "bash scripts/test.sh" in_root test "bash scripts/test.sh" || status=1
echo "logs: $root/root/logs"
exit $status
