#!/usr/bin/env bash
# Vexa's LV2 edition in Ardour, headless: a session whose master bus runs a
# test signal (ardour_signal.lua) into Vexa, built with Ardour's session tool
# (ardour_lv2.lua) on the dummy audio backend, the bundle found on LV2_PATH.
# Ardour's export equals the VST2 module's render of the same signal with
# the same settings bit for bit; the state Ardour stored is the VST2 bank
# chunk; after the session is saved and reloaded Vexa has its settings, its
# state saves again to the same chunk (Q's value in it comes from the state
# alone, see ardour_lv2.lua), and the export is unchanged. Exports are
# compared from the signal's onset on (exports.py: Ardour's start varies).
# Usage: ardour_lv2.sh VEXA_HOST VST2_MODULE BUNDLE_DIR
set -euo pipefail
host=${1:?usage: ardour_lv2.sh VEXA_HOST VST2_MODULE BUNDLE_DIR}
module=${2:?}
bundle=$(cd "${3:?}" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
python=/usr/bin/python3
for tool in ardour7-lua ardour7-export; do
  command -v "$tool" > /dev/null || { echo "FAIL: $tool is missing (scripts/setup.sh installs ardour)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Ardour's configuration, caches and scripts of the test's own; the bundle
# comes first on the LV2 path, so an installed Vexa does not shadow it.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
mkdir -p "$HOME" "$XDG_CONFIG_HOME/ardour7/scripts" "$XDG_CACHE_HOME"
cp "$here/ardour_signal.lua" "$XDG_CONFIG_HOME/ardour7/scripts/"
export LV2_PATH="$(dirname "$bundle"):/usr/lib/lv2"
session=$work/session
# The value the LV2 adapter hands the effect for Q's port back at 0.707
# after a change: the port's single-precision value, normalized, rounded to
# single precision as a VST2 host sends it, mapped back.
q=$("$python" -c '
import struct
single = lambda x: struct.unpack("<f", struct.pack("<f", x))[0]
low, high = 0.4, 7.0
n = single((single(0.707) - low) / (high - low))
print("%.17g" % min(n * (high - low) + low, high))')
settings=(--set Frequency=5075 --set Intensity=45 --set Mix=50 --set "Q=$q")

# Seconds a stage or an export may take; Ardour's headless export now and
# then waits forever for its disk thread on a busy machine, and is tried
# again then.
limit=180
export_attempts=3
stage() {
  timeout "$limit" ardour7-lua "$here/ardour_lv2.lua" "$1" "$session" > "$work/$1.log" 2>&1 || {
    cat "$work/$1.log"
    echo "FAIL: Ardour's session tool failed in stage $1"
    exit 1
  }
}
export_to() {
  local attempt
  for attempt in $(seq "$export_attempts"); do
    if timeout "$limit" ardour7-export -b float -o "$work/$1.wav" "$session" vexa > "$work/export-$1.log" 2>&1; then
      return
    fi
    echo "ardour7-export of $1 failed or hung (attempt $attempt of $export_attempts)"
  done
  cat "$work/export-$1.log"
  echo "FAIL: ardour7-export failed for $1"
  exit 1
}
# The base64 chunk of the newest LV2 state Ardour stored, as bytes.
stored_chunk() {
  local newest
  newest=$(ls -td "$session"/plugins/*/state*/ | head -1)
  "$python" - "$newest/state.ttl" "$1" <<'PY'
import base64, re, sys
text = open(sys.argv[1]).read()
m = re.search(r'<urn:corvanta:vexa#bank>\s*"""(.*?)"""', text, re.S)
if not m:
    sys.exit("FAIL: no Vexa state property in " + sys.argv[1])
open(sys.argv[2], "wb").write(base64.b64decode(m.group(1)))
PY
}

stage create
# Ardour's scripting makes range markers only: the export range becomes the
# session range in the saved file.
sed -i 's|name="range1" \(.*\)flags="IsRangeMarker"|name="session" \1flags="IsSessionRange"|' "$session/vexa.ardour"
grep -q 'flags="IsSessionRange"' "$session/vexa.ardour" || { echo "FAIL: no session range"; exit 1; }
export_to input
stage add
export_to lv2
# Without a tail: Ardour's export ends with the session's range.
"$host" render "$module" "$work/input.wav" "$work/vst2.wav" --tail 0 "${settings[@]}" > /dev/null
"$host" state save "$module" "$work/vst2.chunk" "${settings[@]}" > /dev/null
stored_chunk "$work/saved.chunk"
stage check
cat "$work/check.log" | grep '^reloaded'
stored_chunk "$work/resaved.chunk"
export_to reloaded

"$python" - "$work" "$here" <<'PY'
import struct, sys
sys.path.insert(0, sys.argv[2])
from exports import aligned_equal, describe, samples

work = sys.argv[1]
failed = False
def check(ok, text):
    global failed
    print(("OK: " if ok else "FAIL: ") + text)
    failed |= not ok

inp, lv2, vst2, again = (samples(work + "/" + n + ".wav") for n in ("input", "lv2", "vst2", "reloaded"))
floats = struct.unpack("<%df" % (len(inp) // 4), inp)
check(max(abs(x) for x in floats) > 0.1, "Ardour's export of the test signal is not silent")
check(lv2 != inp, "Vexa changed the signal in Ardour")
same, offset, frames = aligned_equal(lv2, vst2)
check(same, "Ardour's export through the LV2 plug-in equals the VST2 module's render bit for bit (%s)"
      % describe(offset, frames))
same, offset, frames = aligned_equal(again, vst2)
check(same, "the export after saving and reloading the session is unchanged (%s)" % describe(offset, frames))
saved, resaved, chunk = (open(work + "/" + n, "rb").read() for n in ("saved.chunk", "resaved.chunk", "vst2.chunk"))
check(saved == chunk, "the state Ardour stored is the VST2 bank chunk (%d bytes)" % len(chunk))
check(resaved == chunk, "after reloading, the plug-in's state saves to the same chunk again")
sys.exit(1 if failed else 0)
PY
