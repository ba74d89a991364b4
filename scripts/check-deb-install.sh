#!/usr/bin/env bash
# An occasional check, not part of the test command (it takes minutes): the
# Debian package installs on a fresh minimal Debian 12 and leaves nothing
# behind. In a root made with debootstrap --variant=minbase it runs
#   apt-get install ./vexa_<version>_amd64.deb
# (which must pull in every library the files need), then checks that the
# modules' libraries are all found, that `vexa-host validate` passes on
# /usr/lib/vst/Vexa.so, /usr/lib/vst3/Vexa.vst3 and /usr/lib/lv2/Vexa.lv2
# (whose presets are in its data), that every installed
# preset loads and that vexa-host renders through one of each edition; then `apt-get remove vexa` and `apt-get autoremove --purge`, after
# which the root holds exactly the files it held before the install (apt's
# and dpkg's own records, caches and logs aside).
#
# Usage: check-deb-install.sh [--reuse] DEB ROOT
#   ROOT must not exist unless --reuse names a root made by an earlier run
#   (Vexa must not be installed there). ROOT stays for inspection; the
#   transcript and the file lists go beside it, ROOT.deb-check.log and
#   ROOT.files-before.txt, ROOT.files-after.txt.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$here/scripts/minimal-root.sh"

fail() { echo "check-deb-install: $*" >&2; exit 1; }
reuse=0
if [ "${1:-}" = --reuse ]; then reuse=1; shift; fi
[ $# -eq 2 ] || fail "usage: check-deb-install.sh [--reuse] DEB ROOT"
[ "$(id -u)" -eq 0 ] || fail "must run as root (debootstrap, mount, chroot)"
deb=$(realpath "$1")
root=$(realpath -m "$2")
[ -f "$deb" ] || fail "no package $deb"
[ "$root" != / ] || fail "ROOT must not be /"
if [ $reuse -eq 1 ]; then
  [ -f "$root/etc/debian_version" ] || fail "$root holds no root file system to reuse"
else
  [ ! -e "$root" ] || fail "$root exists; remove it or pass --reuse"
fi

trap minimal_root_release EXIT
if [ $reuse -eq 0 ]; then
  echo "== debootstrap --variant=minbase into $root"
  minimal_root_create || fail "no root file system"
fi
minimal_root_mount
log=$root.deb-check.log
: >"$log"
cp "$deb" "$root/tmp/"
# A second of a stereo tone to render: the minimal root has no audio tools.
python3 - "$root/tmp/in.wav" <<'EOF2'
import math, struct, sys, wave
rate, frames = 44100, 44100
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(2)
    w.setsampwidth(2)
    w.setframerate(rate)
    tone = (int(12000 * math.sin(2 * math.pi * 110 * k / rate)) for k in range(frames))
    w.writeframes(b"".join(struct.pack("<hh", s, s) for s in tone))
EOF2
name=$(basename "$deb")

# Runs a step inside the root, its output shown and kept in the transcript.
step() { # title command
  echo "== $1" | tee -a "$log"
  minimal_root_run "$2" 2>&1 | tee -a "$log"
  return "${PIPESTATUS[0]}"
}

# Every file and link of the root outside the kernel's file systems and
# what apt and dpkg keep about themselves.
snapshot() {
  minimal_root_run "find / -xdev \\( -path /proc -o -path /sys -o -path /dev -o -path /run -o -path /tmp \\
      -o -path /var/lib/apt -o -path /var/lib/dpkg -o -path /var/cache -o -path /var/log \\) -prune \\
      -o -print | LC_ALL=C sort"
}

step "apt-get update" "apt-get update -q" >/dev/null || fail "apt-get update failed"
dpkg-query --admindir="$root/var/lib/dpkg" -W vexa >/dev/null 2>&1 && fail "vexa is installed in $root already"
snapshot >"$root.files-before.txt"

step "apt-get install ./$name" "cd /tmp && apt-get install -y ./$name" || fail "the package does not install"
step "libraries of the modules and the tool" \
  "ldd /usr/lib/vst/Vexa.so /usr/lib/vst3/Vexa.vst3/Contents/x86_64-linux/Vexa.so \
     /usr/lib/lv2/Vexa.lv2/Vexa.so /usr/lib/lv2/Vexa.lv2/VexaUI.so /usr/bin/vexa-host | tee /tmp/ldd.txt;
   ! grep -q 'not found' /tmp/ldd.txt" || fail "a library is missing"
for module in /usr/lib/vst/Vexa.so /usr/lib/vst3/Vexa.vst3 /usr/lib/lv2/Vexa.lv2; do
  step "vexa-host validate $module" "vexa-host validate $module --strictness 2 --seed 1" ||
    fail "the installed module $module does not validate"
done
step "vexa-host loads every installed preset" \
  'for f in /usr/share/vexa/presets/*.fxp; do vexa-host state load /usr/lib/vst/Vexa.so "$f" >/dev/null || exit 1; echo "loads $f"; done &&
   for f in /usr/share/vst3/presets/Corvanta/Vexa/*.vstpreset; do
     vexa-host state load /usr/lib/vst3/Vexa.vst3 "$f" >/dev/null || exit 1; echo "loads $f"; done' ||
  fail "an installed preset does not load"
step "vexa-host render through installed presets" \
  "vexa-host render /usr/lib/vst/Vexa.so /tmp/in.wav /tmp/out.wav --preset '/usr/share/vexa/presets/Pumping Bass.fxp' &&
   vexa-host render /usr/lib/vst3/Vexa.vst3 /tmp/in.wav /tmp/out3.wav \
     --preset '/usr/share/vst3/presets/Corvanta/Vexa/Pumping Bass.vstpreset' &&
   ls -l /tmp/out.wav /tmp/out3.wav" || fail "rendering through the installed modules failed"

step "apt-get remove vexa" "apt-get remove -y vexa" || fail "the package does not remove"
step "apt-get autoremove --purge" "apt-get autoremove -y --purge" || fail "autoremove failed"
step "what dpkg still knows of vexa" "dpkg -l vexa 2>&1 | tail -1; ! dpkg -s vexa >/dev/null 2>&1" ||
  fail "dpkg still lists vexa"
snapshot >"$root.files-after.txt"
if ! diff "$root.files-before.txt" "$root.files-after.txt" | tee -a "$log"; then
  fail "the root differs from before the install (above)"
fi
echo "deb check: $name installed, validated and removed without a trace in $root" | tee -a "$log"
