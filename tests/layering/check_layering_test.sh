#!/usr/bin/env bash
# The layering check against small trees: a clean one passes, and each rule
# catches a file that breaks it.
# Usage: check_layering_test.sh CHECK_SCRIPT
set -uo pipefail
check=${1:?usage: check_layering_test.sh CHECK_SCRIPT}
check=$(cd "$(dirname "$check")" && pwd)/$(basename "$check")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A tree where every layer includes only what it may.
clean_tree() {
  rm -rf "$work/tree"
  mkdir -p "$work/tree"/{base/win,core/x86,raster/posix,plugin,graphics/x11,graphics/win,vst,tools}
  cd "$work/tree" || exit 2
  echo '#include "base/Lock.h"' > base/GrowBuffer.h
  printf '#include <windows.h>\n#include "base/Lock.h"\n' > base/win/LockWin.cpp
  printf '#include "base/GrowBuffer.h"\n#include "core/Parameter.h"\n' > core/PlugBase.h
  echo '#include <xmmintrin.h>' > core/x86/FloatEnvX86.h
  printf '#include "base/GrowBuffer.h"\n#include "raster/Bitmap.h"\n' > raster/Blit.h
  printf '#include "plugin/LowPass.h"\n#include <cmath>\n' > plugin/EffectChain.cpp
  printf '#include "vst/PlugVST.h"\n#include "plugin/EffectChain.h"\n' > plugin/Vexa.h
  printf '#include "raster/Bitmap.h"\n#include "core/EditorLink.h"\n' > graphics/Graphics.h
  echo '#include <X11/Xlib.h>' > graphics/x11/WindowX11.cpp
  echo '#include <Windows.h>' > graphics/win/WindowWin.cpp
  printf '#include "core/PlugBase.h"\n#include "plugin/Vexa.h"\n' > vst/Dispatcher.cpp
}

# expect_caught FILE LINE: the check fails once FILE (in a clean tree) holds
# LINE, and names FILE.
expect_caught() {
  clean_tree
  mkdir -p "$(dirname "$1")"
  echo "$2" >> "$1"
  local out
  if out=$(bash "$check" "$work/tree"); then
    echo "FAIL: $1 with '$2' passed"
    failures=$((failures + 1))
  elif ! grep -q "^$1: " <<<"$out"; then
    echo "FAIL: $1 with '$2' failed without naming the file: $out"
    failures=$((failures + 1))
  fi
}

clean_tree
if ! out=$(bash "$check" "$work/tree"); then
  echo "FAIL: the clean tree fails: $out"
  failures=$((failures + 1))
fi

expect_caught base/TextNumber.cpp '#include "core/Parameter.h"'
expect_caught core/Presets.cpp '#include "vst/PlugVST.h"'
expect_caught core/PlugBase.cpp '#include "plugin/Vexa.h"'
expect_caught core/Editor.cpp '#include "raster/Bitmap.h"'
expect_caught core/Editor.cpp '#include "graphics/Graphics.h"'
expect_caught raster/Font.h '#include "core/PlugBase.h"'
expect_caught raster/Png.h '#include "vst/VstDefs.h"'
expect_caught raster/Png.h '#include "plugin/EffectChain.h"'
expect_caught raster/Png.h '#include "graphics/Graphics.h"'
expect_caught plugin/EffectChain.h '#include "vst/PlugVST.h"'
expect_caught plugin/BiquadSection.cpp '#include "core/FloatEnv.h"'
expect_caught plugin/x86/LanesX86.h '#include "core/PlugBase.h"'
expect_caught plugin/DelayPitchShifter.h '#include "plugin/Vexa.h"'
expect_caught graphics/Control.cpp '#include "vst/PlugVST.h"'
expect_caught graphics/x11/WindowX11.cpp '#include "plugin/Vexa.h"'
expect_caught raster/posix/SurfacePosix.cpp '#include <windows.h>'
expect_caught tools/VexaHost.cpp '#include <WINDOWS.H>'
expect_caught graphics/Graphics.cpp '#include <X11/Xutil.h>'
expect_caught graphics/win/WindowWin.cpp '#include <X11/Xlib.h>'
expect_caught plugin/EffectChain.cpp '#include <emmintrin.h>'
expect_caught core/FloatEnv.h '  #  include   <xmmintrin.h>'
expect_caught base/Lock.h '#include <immintrin.h>'

if [ "$failures" -ne 0 ]; then
  echo "layering check test: $failures failure(s)"
  exit 1
fi
echo "layering check test: every rule holds"
