#!/usr/bin/env bash
# The editor looks the same on every target and in both editions: the Linux
# VST2 module's editor snapshot (an X11 window) equals the Linux VST3
# module's and the Windows modules' of both editions under Wine pixel for
# pixel, the same images blended with the same integer arithmetic. Needs an
# X display.
# Usage: cross_snapshot.sh BUILD_ROOT
set -euo pipefail
root=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python=/usr/bin/python3

compare() { # PNG LABEL
  "$python" - "$work/linux.png" "$1" "$2" <<'PY'
import sys

import cairo

linux = cairo.ImageSurface.create_from_png(sys.argv[1])
other = cairo.ImageSurface.create_from_png(sys.argv[2])
target = sys.argv[3]
size = (linux.get_width(), linux.get_height())
if (other.get_width(), other.get_height()) != size:
    sys.exit("FAIL: the %s snapshot is %dx%d, linux's %dx%d" % ((target, other.get_width(), other.get_height()) + size))
a, b, stride = bytes(linux.get_data()), bytes(other.get_data()), linux.get_stride()
# Colours only: both snapshots are opaque.
differing = [(x, y) for y in range(size[1]) for x in range(size[0])
             if a[y * stride + 4 * x:y * stride + 4 * x + 3] != b[y * stride + 4 * x:y * stride + 4 * x + 3]]
if differing:
    sys.exit("FAIL: %d pixels differ between linux and %s, the first at %s" % (len(differing), target, differing[0]))
print("OK: the linux and %s editor snapshots are equal (%dx%d)" % ((target,) + size))
PY
}

"$root/linux/tools/vexa-host" snapshot "$root/linux/plugin/Vexa.so" "$work/linux.png"
"$root/linux/tools/vexa-host" snapshot "$root/linux/plugin/Vexa.vst3" "$work/linux-vst3.png"
compare "$work/linux-vst3.png" "linux VST3"
for t in win32 win64; do
  for module in Vexa.dll Vexa.vst3; do
    "$here/scripts/wine-run.sh" "$root/$t/tools/vexa-host.exe" snapshot "$root/$t/plugin/$module" "$work/$t-$module.png"
    compare "$work/$t-$module.png" "$t $module"
  done
done
