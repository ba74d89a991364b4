#!/usr/bin/env bash
# The layering check against small trees: a clean one with every layer and
# adapter passes, allowed lines planted into it still pass, and each planted
# violation is caught and names its file. Prints how many planted violations
# the check caught; with --score it only counts (to compare another version
# of the check) instead of failing.
# Usage: check_layering_test.sh CHECK_SCRIPT [--score]
set -uo pipefail
check=${1:?usage: check_layering_test.sh CHECK_SCRIPT [--score]}
check=$(cd "$(dirname "$check")" && pwd)/$(basename "$check")
score_only=0
[ "${2:-}" = --score ] && score_only=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0 planted=0 caught=0

# put FILE LINE...: FILE in the template tree holds the LINEs.
put() {
  local file=$1
  shift
  mkdir -p "$work/clean/$(dirname "$file")"
  printf '%s\n' "$@" > "$work/clean/$file"
}

# A tree where every layer includes only what it may, in every way the
# check must accept (plugin/Process.h: a header of ours named like a
# platform's; <lv2/core/lv2.h>: a library's header in a folder named like
# ours; "Vst3Platform.h": a platform seam).
put base/Lock.h '#pragma once' '#include <atomic>' '#include <signal.h>'
put base/Lock.cpp '#include "./Lock.h"' '// #include "vst/PlugVST.h"' '/* #include <windows.h>' \
  '#include "core/PlugBase.h" */'
put base/win/LockWin.cpp '#include <windows.h>' '#include "../Lock.h"' '#ifdef _WIN32' '#endif'
put base/posix/LockPosix.cpp '#include <pthread.h>' '#include <unistd.h>' '#include "base/Lock.h"' \
  '#if defined(__linux__)' '#endif'
put core/PlugBase.h '#include "base/Lock.h"' '#include "core/Parameter.h"' '#include "EditorLink.h"'
put core/PlugBase.cpp '#include "core/PlugBase.h"' '#include <cstring>'
put core/Parameter.h '#include "base/Lock.h"'
put core/EditorLink.h '#pragma once'
put core/FloatEnv.h '#if defined(__SSE2__)' '#include "core/x86/FloatEnvX86.h"' '#elif defined(__aarch64__)' \
  '#include "core/arm64/FloatEnvArm64.h"' '#endif'
put core/x86/FloatEnvX86.h '#include <xmmintrin.h>'
put core/arm64/FloatEnvArm64.h '#include <arm_neon.h>'
put raster/Bitmap.h '#include "base/Lock.h"'
put raster/Blit.cpp '#include "raster/Bitmap.h"' '#include <png.h>'
put raster/posix/DrawContextPosix.h '#include "raster/Bitmap.h"'
put raster/posix/SurfacePosix.cpp '#include "DrawContextPosix.h"' '#include <ft2build.h>' \
  '#include FT_FREETYPE_H' '#include <sys/stat.h>'
put raster/win/SurfaceWin.cpp '#include <Windows.h>' '#include "raster/Bitmap.h"'
put plugin/LowPass.h '#include <cmath>'
put plugin/Lanes.h '#ifdef __SSE2__' '#include "plugin/x86/LanesX86.h"' '#endif'
put plugin/x86/LanesX86.h '#include <emmintrin.h>' '#include "../LowPass.h"'
put plugin/EffectChain.h '#include "plugin/Lanes.h"' '#include "LowPass.h"'
put plugin/EffectChain.cpp '#include "plugin/EffectChain.h"' '#include "Process.h"'
put plugin/Process.h '#include <cmath>'
put plugin/Vexa.h '#include "PlugAdapter.h"' '#include "plugin/EffectChain.h"' '#include "core/PlugBase.h"' \
  '#include "VexaVersion.h"'
put plugin/Vexa.cpp '#include "plugin/Vexa.h"' '#include "base/Lock.h"'
put plugin/VexaEditor.cpp '#include "plugin/Vexa.h"' '#include "graphics/Graphics.h"'
put plugin/VexaMain.cpp '#include "vst/EntryPoint.h"' '#include "plugin/Vexa.h"'
put plugin/VexaVst3.cpp '#include "vst3/Vst3Component.h"' '#include "Vexa.h"'
put plugin/VexaLv2.cpp '#include "lv2/Lv2Ui.h"' '#include "plugin/VexaEditor.h"'
put graphics/Graphics.h '#include "raster/Bitmap.h"' '#include "core/EditorLink.h"' '#include "base/Lock.h"'
put graphics/Graphics.cpp '#include "graphics/Graphics.h"' '#include "core/PlugBase.h"'
put graphics/Control.cpp '#include "Graphics.h"'
put graphics/posix/Images.cpp '#include "../Graphics.h"'
put graphics/x11/WindowX11.cpp '#include <X11/Xlib.h>' '#include "../Graphics.h"' '#include <poll.h>' \
  '#include "graphics/x11/WindowX11.h"'
put graphics/x11/WindowX11.h '#include <X11/Xutil.h>'
put graphics/win/WindowWin.cpp '#include <windows.h>' '#include <commdlg.h>' '#include "graphics/Graphics.h"'
put vst/VstDefs.h '#include <cstdint>'
put vst/PlugVST.h '#include "core/PlugBase.h"' '#include "vst/VstDefs.h"' '#include "graphics/Graphics.h"'
put vst/PlugVST.cpp '#include "PlugVST.h"'
put vst/EntryPoint.h '#include "vst/PlugVST.h"'
put vst/Dispatcher.cpp '#include "vst/PlugVST.h"' '#include "base/Lock.h"'
put vst/effect/PlugAdapter.h '#include "vst/PlugVST.h"'
put vst/win/DllMainWin.cpp '#include <windows.h>' '#include "vst/EntryPoint.h"'
put vst/posix/MainAliasPosix.cpp '#include "../EntryPoint.h"' '#include <dlfcn.h>'
put vst3/Vst3Defs.h '#include <cstdint>' '#include "Vst3Platform.h"'
put vst3/win/Vst3Platform.h '#include <windows.h>'
put vst3/posix/Vst3Platform.h '#include <cstdint>'
put vst3/Vst3Component.h '#include "vst3/Vst3Defs.h"' '#include "core/PlugBase.h"'
put vst3/effect/PlugAdapter.h '#include "../Vst3Component.h"'
put lv2/Lv2Ui.h '#include "core/EditorLink.h"'
put lv2/effect/PlugAdapter.h '#include "lv2/Lv2Ui.h"'
put tools/HostedPlugin.h '#include "vst/VstDefs.h"' '#include "base/Lock.h"' '#include <lv2/core/lv2.h>'
put tools/EditorPicture.cpp '#include "plugin/Vexa.h"' '#include "plugin/VexaEditor.h"' '#include "raster/Bitmap.h"'
put tools/posix/ModuleLoaderPosix.cpp '#include <dlfcn.h>' '#include "tools/HostedPlugin.h"'
put tools/x11/FrameX11.cpp '#include <X11/Xlib.h>' '#include <poll.h>' '#include <malloc.h>'
put tools/win/FrameWin.h '#include <windows.h>' '#include <psapi.h>'
put tests/TestSeed.h '#include <random>'
put tests/vst/DispatcherTest.cpp '#include "vst/PlugVST.h"' '#include "tests/TestSeed.h"' '#include <gtest/gtest.h>'
put tests/plugin/PlugAdapter.h '#include "core/PlugBase.h"'
put tests/plugin/EffectTest.cpp '#include "PlugAdapter.h"' '#include "plugin/Vexa.h"' '#include "../../vst/PlugVST.h"'
put tests/graphics/x11/WindowTest.cpp '#include "graphics/x11/WindowX11.h"' '#include <sys/socket.h>'
put tests/graphics/win/WindowTest.cpp '#include "tools/win/FrameWin.h"'
put bench/plugin/ChainBench.cpp '#include "plugin/EffectChain.h"' '#include <benchmark/benchmark.h>'
put fuzz/ChunkFuzz.cpp '#include "plugin/VexaMain.cpp"' '#include "vst/VstDefs.h"'
put out/CMakeCache.txt '# a build tree, which holds generated code'
put out/generated/Images.cpp '#include <windows.h>'

fresh_tree() {
  rm -rf "$work/tree"
  cp -r "$work/clean" "$work/tree"
}

# plant FILE LINE: a fresh tree where FILE also holds LINE (which may be
# several lines).
plant() {
  fresh_tree
  mkdir -p "$work/tree/$(dirname "$1")"
  printf '%s\n' "$2" >> "$work/tree/$1"
}

# caught FILE LINE: the check fails once FILE holds LINE, with a report on
# FILE that the clean tree did not get.
caught() {
  local out
  planted=$((planted + 1))
  plant "$1" "$2"
  if out=$(bash "$check" "$work/tree"); then
    [ $score_only -eq 1 ] || echo "FAIL: $1 with '$2' passed"
    failures=$((failures + 1))
  elif ! grep -vxF -f <(echo "$clean_out") <<<"$out" | grep -q "^$1:"; then
    [ $score_only -eq 1 ] || echo "FAIL: $1 with '$2' failed without naming the file: $out"
    failures=$((failures + 1))
  else
    caught=$((caught + 1))
  fi
}

# allowed FILE LINE: the check still passes once FILE holds LINE.
allowed() {
  local out
  plant "$1" "$2"
  if ! out=$(bash "$check" "$work/tree"); then
    echo "FAIL: $1 with '$2' was refused: $out"
    failures=$((failures + 1))
  fi
}

fresh_tree
if ! clean_out=$(bash "$check" "$work/tree"); then
  echo "FAIL: the clean tree fails: $clean_out"
  failures=$((failures + 1))
fi

# Lines that look like violations and are not.
if [ $score_only -eq 0 ]; then
  allowed core/PlugBase.cpp '#if VEXA_LINUX_STYLE_KEYS'      # a macro that only looks like one
  allowed core/PlugBase.cpp '#ifdef __x86_64__'              # a processor, not a platform
  allowed plugin/Vexa.cpp '#include "PlugAdapter.h"'         # every adapter's effect folder
  allowed tools/VexaHost.cpp '#include "vst3/Vst3Defs.h"'    # host-interface declarations
  allowed tests/base/LockTest.cpp '#include "../../lv2/Lv2Ui.h"'
  allowed raster/posix/SurfacePosix.cpp '#ifdef __APPLE__'
fi

# Each layer's rule, with includes from the root, relative and folderless.
caught base/Lock.cpp '#include "core/Parameter.h"'
caught base/Lock.h '#include "../raster/Bitmap.h"'
caught base/Lock.h '#include <core/Parameter.h>'
caught core/PlugBase.cpp '#include "vst/PlugVST.h"'
caught core/PlugBase.cpp '#include "plugin/Vexa.h"'
caught core/Parameter.h '#include "raster/Bitmap.h"'
caught core/Parameter.h '#include "graphics/Graphics.h"'
caught core/PlugBase.h '#include "tools/HostedPlugin.h"'
caught core/PlugBase.cpp '#include "../lv2/Lv2Ui.h"'
caught core/PlugBase.cpp '#include "tests/TestSeed.h"'
caught raster/Bitmap.h '#include "core/PlugBase.h"'
caught raster/Blit.cpp '#include "graphics/Graphics.h"'
caught raster/Blit.cpp '#include "vst3/Vst3Defs.h"'
caught plugin/EffectChain.h '#include "vst/PlugVST.h"'
caught plugin/EffectChain.h '#include "../vst/PlugVST.h"'
caught plugin/EffectChain.cpp '#include "core/FloatEnv.h"'
caught plugin/EffectChain.cpp '#include "base/Lock.h"'
caught plugin/x86/LanesX86.h '#include "../../core/PlugBase.h"'
caught plugin/LowPass.h '#include "plugin/Vexa.h"'
caught plugin/LowPass.h '#include "Vexa.h"'
caught plugin/EffectChain.cpp '#include "PlugAdapter.h"'
caught plugin/Vexa.h '#include "vst/PlugVST.h"'
caught plugin/Vexa.cpp '#include "../vst3/Vst3Component.h"'
caught plugin/Vexa.cpp '#include "raster/Bitmap.h"'
caught plugin/VexaEditor.cpp '#include "lv2/Lv2Ui.h"'
caught plugin/VexaEditor.cpp '#include "tools/HostedPlugin.h"'
caught plugin/VexaEditor.cpp '#include "graphics/x11/WindowX11.h"'
caught plugin/VexaMain.cpp '#include "vst3/Vst3Defs.h"'
caught plugin/VexaVst3.cpp '#include "vst/PlugVST.h"'
caught plugin/VexaLv2.cpp '#include "../vst3/Vst3Component.h"'
caught graphics/Control.cpp '#include "vst/PlugVST.h"'
caught graphics/Control.cpp '#include "plugin/Vexa.h"'
caught graphics/Control.cpp '#include "tools/HostedPlugin.h"'
caught graphics/Graphics.cpp '#include "graphics/win/WindowWin.h"'
caught graphics/Graphics.cpp '#include "x11/WindowX11.h"'
caught graphics/x11/WindowX11.cpp '#include "plugin/Vexa.h"'
caught graphics/x11/WindowX11.cpp '#include "../win/WindowWin.h"'
caught graphics/win/WindowWin.cpp '#include "../../vst/PlugVST.h"'
caught vst/Dispatcher.cpp '#include "plugin/Vexa.h"'
caught vst/Dispatcher.cpp '#include "../plugin/EffectChain.h"'
caught vst/PlugVST.h '#include "vst3/Vst3Defs.h"'
caught vst/win/DllMainWin.cpp '#include "tools/HostedPlugin.h"'
caught vst/effect/PlugAdapter.h '#include "../../lv2/Lv2Ui.h"'
caught vst3/Vst3Component.h '#include "vst/PlugVST.h"'
caught vst3/Vst3Component.h '#include "../lv2/Lv2Ui.h"'
caught vst3/Vst3Component.h '#include "plugin/Vexa.h"'
caught lv2/Lv2Ui.h '#include "vst3/Vst3Defs.h"'
caught lv2/Lv2Ui.h '#include "plugin/VexaEditor.h"'
caught tools/HostedPlugin.h '#include "vst/PlugVST.h"'
caught tools/HostedPlugin.h '#include "../vst3/Vst3Component.h"'
caught dsp/Filter.cpp '#include <cmath>'
caught base/Lock.h '#include "../../outside/Config.h"'
# Platform headers outside their platform's folders.
caught raster/posix/SurfacePosix.cpp '#include <windows.h>'
caught tools/VexaHost.cpp '#include <WINDOWS.H>'
caught plugin/Vexa.cpp '#include "windows.h"'
caught graphics/Control.cpp '#include <winuser.h>'
caught vst/PlugVST.cpp '#include <winbase.h>'
caught graphics/Graphics.cpp '#include <shlobj.h>'
caught graphics/x11/WindowX11.cpp '#include <commdlg.h>'
caught graphics/Graphics.cpp '#include <X11/Xutil.h>'
caught graphics/win/WindowWin.cpp '#include <X11/Xlib.h>'
caught vst/posix/MainAliasPosix.cpp '#include <X11/Xlib.h>'
caught graphics/Control.cpp '#include <xcb/xcb.h>'
caught base/Lock.cpp '#include <unistd.h>'
caught base/Lock.cpp '#include <pthread.h>'
caught core/PlugBase.cpp '#include <sys/mman.h>'
caught tools/HostedPlugin.h '#include <dlfcn.h>'
caught raster/Blit.cpp '#include <fcntl.h>'
caught base/win/LockWin.cpp '#include <unistd.h>'
caught bench/plugin/ChainBench.cpp '#include <malloc.h>'
caught tests/vst/DispatcherTest.cpp '#include <sys/wait.h>'
caught vst3/Vst3Component.h '#include <CoreFoundation/CoreFoundation.h>'
# Platform code reached from outside its platform's folders.
caught tools/EditorPicture.cpp '#include "tools/win/FrameWin.h"'
caught tests/vst/DispatcherTest.cpp '#include "graphics/x11/WindowX11.h"'
caught raster/Blit.cpp '#include "posix/DrawContextPosix.h"'
caught raster/Blit.cpp '#include "DrawContextPosix.h"'
caught graphics/Graphics.h '#include "Vst3Platform.h"'
caught graphics/win/WindowWin.cpp '#include "../posix/Images.cpp"'
# Processor intrinsics outside their processors' folders.
caught plugin/EffectChain.cpp '#include <emmintrin.h>'
caught core/FloatEnv.h '  #  include   <xmmintrin.h>'
caught base/Lock.h '#include <immintrin.h>'
caught raster/Blit.cpp '#include <arm_neon.h>'
caught core/x86/FloatEnvX86.h '#include <arm_neon.h>'
# Platform conditions and computed includes outside platform folders.
caught base/Lock.h $'#ifdef _WIN32\n#endif'
caught core/PlugBase.cpp $'#if defined(__linux__)\n#endif'
caught graphics/Graphics.cpp $'#ifndef __APPLE__\n#endif'
caught vst/PlugVST.cpp $'#if 0\n#elif _MSC_VER\n#endif'
caught tools/HostedPlugin.h $'#if defined(WIN32) || defined(__MINGW32__)\n#endif'
caught plugin/EffectChain.cpp $'#  if __unix__\n#endif'
caught tests/vst/DispatcherTest.cpp $'#ifdef _WIN32\n#endif'
caught core/Parameter.h $'#if 0 || \\\n    defined(__linux__)\n#endif'
caught core/PlugBase.cpp '#include VEXA_ADAPTER_HEADER'

echo "layering check test: $caught of $planted planted violations caught"
if [ $score_only -eq 1 ]; then exit 0; fi
if [ "$failures" -ne 0 ]; then
  echo "layering check test: $failures failure(s)"
  exit 1
fi
echo "layering check test: every rule holds"
