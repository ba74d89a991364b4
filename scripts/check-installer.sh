#!/usr/bin/env bash
# An occasional check, not part of the test command (it makes three Wine
# prefixes): the Windows installer from scripts/package.sh, run silently in a
# fresh 64-bit and a fresh 32-bit Wine prefix, installs the VST2 and VST3
# plug-ins of the system's width and their presets where they belong,
# registers its uninstaller, and the installed files load in vexa-host from
# their installed places; the uninstaller then removes every file, folder
# and registry key it made. In the 32-bit prefix a second run installs into
# a folder of the user's choosing (/D=), two levels below a folder that did
# not exist; a file the user puts into the outer one keeps it there, and
# only the empty folders setup made go. Uses the release trees of
# scripts/package.sh for vexa-host.exe and the demo loop.
#
# Usage: check-installer.sh [DIST]   (default dist/)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
dist=$(realpath "${1:-$VEXA_ROOT/dist}")
setup=$(ls "$dist"/Vexa-*-setup.exe 2>/dev/null | head -1)
[ -n "$setup" ] || { echo "check-installer: no installer in $dist; run scripts/package.sh" >&2; exit 1; }
work=$VEXA_ROOT/build/installer-check
rm -rf "$work"
mkdir -p "$work"
"$VEXA_ROOT/build/package-linux/tools/vexa-demo" signal "$work/input.wav" 2 >/dev/null ||
  { echo "check-installer: no demo tool in build/package-linux" >&2; exit 1; }

failures=0
check() { # description command...
  local what=$1
  shift
  if "$@"; then
    echo "ok   $what"
  else
    echo "FAIL $what"
    failures=$((failures + 1))
  fi
}

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
in_prefix() { WINEPREFIX=$prefix wine "$@"; }
settle() { WINEPREFIX=$prefix wineserver -w; }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vexa'

# One prefix: install silently, check, load, uninstall, check again.
run_prefix() { # win64|win32 [/D=folder]
  local arch=$1 folder_option=${2:-}
  prefix=$work/prefix-$arch
  [ -z "$folder_option" ] || prefix=$prefix-custom
  local c=$prefix/drive_c host=$VEXA_ROOT/build/package-$arch/tools/vexa-host.exe
  local vst2='C:\Program Files\VSTPlugins' vst2_unix="$c/Program Files/VSTPlugins"
  local app="$c/Program Files/Corvanta/Vexa" kind='PE32+ executable (DLL).*x86-64'
  local vst3='C:\Program Files\Common Files\VST3\Vexa.vst3' vst3_unix="$c/Program Files/Common Files/VST3"
  local vst3_presets='C:\ProgramData\VST3 Presets\Corvanta\Vexa' vst3_presets_unix="$c/ProgramData/VST3 Presets"
  local vst3_arch=x86_64-win
  if [ -n "$folder_option" ]; then
    vst2=${folder_option#/D=}
    vst2_unix="$c/$(sed -e 's|^C:\\||' -e 's|\\|/|g' <<<"$vst2")"
  fi
  reg_view=/reg:64
  if [ "$arch" = win32 ]; then
    kind='PE32 executable (DLL).*Intel 80386'
    vst3_arch=x86-win
    reg_view=
  fi
  echo "== $arch prefix${folder_option:+, $folder_option}"
  WINEARCH=$arch WINEPREFIX=$prefix wineboot -i >/dev/null 2>&1
  settle

  # NSIS takes the rest of its command line after /D= as the folder, spaces
  # and all, but no quotes: the words go to Wine one by one, which joins them
  # with single spaces as a command line typed at a prompt.
  local words=()
  read -r -a words <<<"$folder_option"
  check "silent install exits 0" in_prefix "$setup" /S "${words[@]}"
  settle
  check "the $arch plug-in is in $vst2" is_module "$vst2_unix/Vexa.dll" "$kind"
  check "the $arch VST3 bundle in Common Files\\VST3" \
    is_module "$vst3_unix/Vexa.vst3/Contents/$vst3_arch/Vexa.vst3" "$kind"
  check "VST3 presets in $vst3_presets" \
    test "$(ls "$vst3_presets_unix/Corvanta/Vexa" | wc -l)" -eq "$(ls "$VEXA_ROOT"/build/package-linux/presets/vst3 | wc -l)"
  check "documents, presets and uninstaller in Program Files\\Corvanta\\Vexa" \
    test -f "$app/README.txt" -a -f "$app/LICENSE.txt" -a -f "$app/THIRD-PARTY.txt" -a -f "$app/Uninstall.exe" \
    -a "$(ls "$app/Presets" | wc -l)" -eq "$(ls "$VEXA_ROOT"/build/package-linux/presets/vst2 | wc -l)"
  check "no install note for the zip among the installed documents" test ! -e "$app/INSTALL.txt"
  check "uninstaller registered" registered
  check "vexa-host loads the installed plug-in" grep -qx 'effect       Vexa' <(in_prefix "$host" info "$vst2\\Vexa.dll" | tr -d '\r')
  check "vexa-host validates the installed plug-in" in_prefix "$host" validate "$vst2\\Vexa.dll" --strictness 1 --seed 1
  check "vexa-host renders through an installed preset" in_prefix "$host" render "$vst2\\Vexa.dll" \
    "$(winepath_of "$work/input.wav")" "$(winepath_of "$work/out-$arch.wav")" \
    --preset 'C:\Program Files\Corvanta\Vexa\Presets\Octave Down Grit.fxp'
  check "vexa-host validates the installed VST3 bundle" in_prefix "$host" validate "$vst3" --strictness 1 --seed 1
  check "vexa-host renders through the VST3 bundle and an installed VST3 preset" in_prefix "$host" render "$vst3" \
    "$(winepath_of "$work/input.wav")" "$(winepath_of "$work/out3-$arch.wav")" --preset "$vst3_presets\Pumping Bass.vstpreset"

  # The user's own file in the outermost folder setup made.
  [ -z "$folder_option" ] || echo notes > "$(dirname "$(dirname "$vst2_unix")")/notes.txt"
  check "silent uninstall exits 0" in_prefix "C:\\Program Files\\Corvanta\\Vexa\\Uninstall.exe" /S
  settle
  check "the plug-in is gone" test ! -e "$vst2_unix/Vexa.dll"
  check "its folder, empty now, is gone" test ! -e "$vst2_unix"
  if [ -n "$folder_option" ]; then
    check "the empty folder setup made above it is gone" test ! -e "$(dirname "$vst2_unix")"
    check "the user's file keeps the outer folder setup made" test -f "$(dirname "$(dirname "$vst2_unix")")/notes.txt"
  fi
  check "Program Files\\Corvanta is gone" test ! -e "$c/Program Files/Corvanta"
  check "the VST3 bundle and its emptied folder are gone" test ! -e "$vst3_unix"
  check "the VST3 presets and their emptied folders are gone" test ! -e "$vst3_presets_unix"
  check "the uninstaller's registration is gone" key_absent "$uninstall_key"
  check "Vexa's settings key is gone" key_absent 'HKLM\Software\Corvanta'
  WINEPREFIX=$prefix wineserver -k 2>/dev/null
}

# The registry as the system's own programs see it: on 64-bit Windows the
# 64-bit view, which `wine reg` shows only when asked. A missing key gives
# exit status 1.
reg_query() { in_prefix reg query "$@" $reg_view 2>/dev/null; }
key_absent() { ! reg_query "$1" >/dev/null; }
registered() { reg_query "$uninstall_key" /v UninstallString | grep -q 'Uninstall.exe'; }
is_module() { file -L "$1" | grep -q "$2"; }
winepath_of() { WINEPREFIX=$prefix winepath -w "$1" 2>/dev/null; }

vexa_start_display
trap vexa_stop_display EXIT
run_prefix win64
run_prefix win32
run_prefix win32 '/D=C:\Audio\VST\My Plugins'
echo "installer check: $failures failures"
[ "$failures" -eq 0 ]
