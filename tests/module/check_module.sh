#!/usr/bin/env bash
# Checks a built plug-in module: it exports exactly the given names (by
# default VSTPluginMain and main) and,
# for the Windows DLLs, imports Windows system DLLs only and carries a version
# resource saying VERSION (major.minor.patch, from the project).
# Usage: check_module.sh MODULE linux|win32|win64 VERSION ["NAME NAME..."]
set -euo pipefail
module=$1 kind=$2 version=$3
# The exported names, sorted; VST 2.4 modules by default.
expected_exports="${4:-VSTPluginMain main} "
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$module" ] || fail "no module at $module"

# The version resource: the fixed part's file and product versions (two
# 32-bit words each, after its signature and structure version) and the
# version texts, all four-part.
check_version_resource() {
  local major minor patch signature offset words
  IFS=. read -r major minor patch <<< "$version"
  # VS_FIXEDFILEINFO's signature, as it lies in the file.
  signature=$'\xbd\x04\xef\xfe'
  offset=$(LC_ALL=C grep -obUa "$signature" "$module" | head -n 1 | cut -d: -f1)
  [ -n "$offset" ] || fail "no version resource"
  words=$(od -An -tu4 -v -j $((offset + 8)) -N 16 "$module" | tr -s ' ' | sed 's/^ //')
  local expected="$(((major << 16) | minor)) $((patch << 16)) $(((major << 16) | minor)) $((patch << 16))"
  [ "$words" = "$expected" ] || fail "version resource holds '$words', not '$expected' ($version.0)"
  local texts
  texts=$(strings -el "$module")
  for key in FileVersion ProductVersion; do
    echo "$texts" | grep -qx "$key" || fail "version resource has no $key text"
  done
  [ "$(echo "$texts" | grep -cx "$version.0")" -ge 2 ] || fail "version texts are not $version.0"
}

case $kind in
  linux)
    file -L "$module" | grep -q 'ELF 64-bit LSB shared object, x86-64' || fail "not an x86-64 shared object"
    exports=$(nm -D --defined-only "$module" | awk '{print $3}' | sort | tr '\n' ' ')
    [ "$exports" = "$expected_exports" ] || fail "exports are '$exports', not '$expected_exports'"
    ;;
  win32|win64)
    if [ "$kind" = win32 ]; then
      objdump=i686-w64-mingw32-objdump
      file -L "$module" | grep -q 'PE32 executable (DLL).*Intel 80386' || fail "not a 32-bit x86 DLL"
    else
      objdump=x86_64-w64-mingw32-objdump
      file -L "$module" | grep -q 'PE32+ executable (DLL).*x86-64' || fail "not a 64-bit x86-64 DLL"
    fi
    dump=$($objdump -p "$module")
    exports=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^\s+\[' |
              awk '{print $NF}' | sort | tr '\n' ' ')
    [ "$exports" = "$expected_exports" ] || fail "exports are '$exports', not '$expected_exports'"
    allowed='^(kernel32|user32|gdi32|advapi32|comdlg32|comctl32|shell32|shlwapi|ole32|oleaut32|wininet|msvcrt|msimg32|uxtheme|version|winmm|ws2_32|imm32)\.dll$'
    while read -r dll; do
      lower=$(echo "$dll" | tr 'A-Z' 'a-z')
      [[ $lower =~ $allowed ]] || fail "imports $dll"
    done < <(echo "$dump" | sed -n 's/^\s*DLL Name: //p')
    check_version_resource
    ;;
  *) fail "unknown kind $kind" ;;
esac
echo "OK: $module ($kind) exports ${expected_exports% } only"
[ "$kind" = linux ] || echo "OK: version resource $version.0"
