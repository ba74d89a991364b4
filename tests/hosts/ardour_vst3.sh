#!/usr/bin/env bash
# Vexa's VST3 edition in Ardour, headless, with the VST2 module as the
# reference: Ardour's session tool (ardour7-lua, dummy audio backend) runs
# the test signal (ardour_signal.lua) into Vexa on the master bus of a new
# session and exports it (ardour_vst3.lua), once through the VST3 bundle and
# once through the VST2 module. The two exports must be bit-identical and
# not trivial (compared from the signal's onset on: exports.py); the VST3
# session, saved and reopened, must hold Vexa's parameters as set and
# export the same again.
# Everything Ardour reads and writes lives in a temporary home: on a fresh
# machine there is no Ardour configuration at all.
# Usage: ardour_vst3.sh VST2_MODULE VST3_BUNDLE
set -euo pipefail
module=${1:?usage: ardour_vst3.sh VST2_MODULE VST3_BUNDLE}
bundle=${2:?usage: ardour_vst3.sh VST2_MODULE VST3_BUNDLE}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
scanners=/usr/lib/ardour7
command -v ardour7-lua > /dev/null || { echo "FAIL: ardour7-lua is missing (scripts/setup.sh installs ardour)"; exit 1; }
for scanner in ardour-vst3-scanner ardour-vst-scanner; do
  [ -x "$scanners/$scanner" ] || { echo "FAIL: $scanners/$scanner is missing"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Ardour's configuration (export preset, scripts, the plug-in scan log) and
# caches (the plug-in index) of the test's own.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
mkdir -p "$HOME" "$XDG_CONFIG_HOME/ardour7/scripts" "$XDG_CONFIG_HOME/ardour7/export" "$XDG_CACHE_HOME"
cp "$here/ardour_signal.lua" "$XDG_CONFIG_HOME/ardour7/scripts/"
cp "$here/vexa-float.preset" "$XDG_CONFIG_HOME/ardour7/export/"

# The modules in folders of their own, named by Ardour's search paths.
plugins=$work/plugins
mkdir -p "$plugins/vst3" "$plugins/lxvst"
cp -r "$bundle" "$plugins/vst3/Vexa.vst3"
cp "$module" "$plugins/lxvst/Vexa.so"
export VST3_PATH=$plugins/vst3 LXVST_PATH=$plugins/lxvst
# A session lists only plug-ins found in Ardour's index; it does not scan.
# Ardour's scanners, run out of process, index a module; an index counts
# only when it is newer than the module, and its time has whole seconds, so
# a module copied within the second of its scan would be taken as changed
# since and left out. The copies get a time in the past first.
find "$plugins" -exec touch -d '1 minute ago' {} +
scan_limit=60
scan() {
  LD_LIBRARY_PATH=$scanners timeout -k 5 "$scan_limit" "$scanners/$1" "$2" > "$work/scan.log" 2>&1 || {
    cat "$work/scan.log"
    echo "FAIL: $1 did not index $2"
    exit 1
  }
}
scan ardour-vst3-scanner "$plugins/vst3/Vexa.vst3"
scan ardour-vst-scanner "$plugins/lxvst/Vexa.so"

# One stage of ardour_vst3.lua, bounded, its log shown when it fails.
# Ardour 7.3's headless export now and then aborts with a corrupted heap or
# hangs, in a session with no plug-in at all as much as with Vexa (a race
# inside Ardour). A stage that dies of a signal or runs over its time is
# run again from the start, a few times; one that fails a check of its own
# is not.
stage_limit=30
attempts=4
stage() {
  local log=$work/$1-$2.log attempt rc
  for attempt in $(seq "$attempts"); do
    [ "$1" = create ] && rm -rf "$work/sessions/$2"
    rc=0
    # In a subshell of its own, which reports the signal into the log.
    (timeout -k 5 "$stage_limit" ardour7-lua "$here/ardour_vst3.lua" "$1" "$2" "$work/sessions/$2"; exit) > "$log" 2>&1 || rc=$?
    [ "$rc" -eq 0 ] && return
    # 124: ran over the time; above 128: died of a signal.
    if [ "$rc" -ne 124 ] && [ "$rc" -le 128 ]; then break; fi
    echo "NOTE: Ardour's session tool ran over ${stage_limit} s or died (exit $rc) in stage $1 for $2," \
      "attempt $attempt of $attempts"
  done
  cat "$log"
  echo "FAIL: Ardour's session tool failed in stage $1 for $2 (exit $rc)"
  exit 1
}
mkdir "$work/sessions"
stage create vst3
stage create vst2
stage reopen vst3

python3 - "$work" "$here" <<'PY'
import struct, sys
sys.path.insert(0, sys.argv[2])
from exports import aligned_equal, describe, samples

work = sys.argv[1]
failed = False
def check(ok, text):
    global failed
    print(("OK: " if ok else "FAIL: ") + text)
    failed |= not ok

vst3, vst2, again = (samples(work + "/sessions/" + n + ".wav") for n in ("vst3/vst3", "vst2/vst2", "vst3/vst3-reopened"))
values = struct.unpack("<%df" % (len(vst3) // 4), vst3)
check(len(values) > 0 and max(abs(v) for v in values) > 0.05,
      "the export through the VST3 module carries the signal (peak %.4f)" % max(map(abs, values), default=0))
check(len(set(values)) > len(values) // 2, "the export varies (%d distinct of %d samples)" % (len(set(values)), len(values)))
same, offset, frames = aligned_equal(vst3, vst2)
check(same, "Ardour's export through the VST3 module equals its export through the VST2 module (%s)"
      % describe(offset, frames))
same, offset, frames = aligned_equal(again, vst2)
check(same, "the reopened VST3 session exports the same again (%s)" % describe(offset, frames))

expected = {1: 5075.0, 4: 45.0, 5: 50.0}
got = {}
for line in open(work + "/reopen-vst3.log"):
    f = line.split()
    if len(f) == 3 and f[0] == "reopened":
        got[int(f[1])] = float(f[2])
check(got == expected, "the reopened session holds the VST3 instance's parameters "
      "(Frequency 5075, Intensity 45, Mix 50): %s" % sorted(got.items()))
sys.exit(1 if failed else 0)
PY
