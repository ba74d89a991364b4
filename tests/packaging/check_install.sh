#!/usr/bin/env bash
# Checks the install rules of a native build: `cmake --install` under DESTDIR
# with a prefix of its own puts exactly the expected files below that prefix,
# the modules readable but not executable, and the installed vexa-host loads
# the installed modules and their presets from their installed places.
# Usage: check_install.sh BUILD_DIR PRESET_TABLE [vst3] [lv2]
#   vst3, lv2: the build has the VST3, the LV2 edition.
set -uo pipefail
build=$1 table=$2 editions=" ${*:3} "
vst3_binary=lib/vst3/Vexa.vst3/Contents/x86_64-linux/Vexa.so
vst3_presets=share/vst3/presets/Corvanta/Vexa
lv2_bundle=lib/lv2/Vexa.lv2
prefix=/opt/vexa-check
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

DESTDIR=$work cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
root=$work$prefix

presets=$(grep -c '^[^#].*|' "$table")
preset_files() { # folder extension
  grep '^[^#].*|' "$table" | cut -d'|' -f1 | sed -e 's/[[:space:]]*$//' -e "s|^|$1/|" -e "s|\$|.$2|"
}
expected=$(
  {
    echo "bin/vexa-host"
    echo "lib/vst/Vexa.so"
    echo "share/man/man1/vexa-host.1"
    for doc in README.md LICENSE THIRD-PARTY.txt CHANGELOG.md; do echo "share/doc/vexa/$doc"; done
    preset_files share/vexa/presets fxp
    if [[ $editions == *" vst3 "* ]]; then
      echo "$vst3_binary"
      preset_files "$vst3_presets" vstpreset
    fi
    if [[ $editions == *" lv2 "* ]]; then
      for file in Vexa.so VexaUI.so manifest.ttl plugin.ttl ui.ttl presets.ttl; do echo "$lv2_bundle/$file"; done
    fi
  } | LC_ALL=C sort
)
actual=$(cd "$work" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$(sed "s|^|${prefix#/}/|" <<<"$expected")" ] ||
  fail "installed files differ from the expected ones:
$(diff <(sed "s|^|${prefix#/}/|" <<<"$expected") <(echo "$actual"))"

# An installed module and its installed presets, through the installed tool.
check_edition() { # module-file module-to-load preset-folder extension
  [ "$(stat -c %a "$1" 2>/dev/null)" = 644 ] || fail "$1's mode is $(stat -c %a "$1" 2>/dev/null), not 644"
  "$root/bin/vexa-host" info "$2" | grep -qx 'effect       Vexa' || fail "the installed vexa-host does not load $2"
  local loaded=0 preset
  for preset in "$3"/*."$4"; do
    "$root/bin/vexa-host" state load "$2" "$preset" >/dev/null && loaded=$((loaded + 1))
  done
  [ "$loaded" -eq "$presets" ] || fail "$loaded of $presets installed .$4 presets load"
}
check_edition "$root/lib/vst/Vexa.so" "$root/lib/vst/Vexa.so" "$root/share/vexa/presets" fxp
if [[ $editions == *" vst3 "* ]]; then
  check_edition "$root/$vst3_binary" "$root/lib/vst3/Vexa.vst3" "$root/$vst3_presets" vstpreset
fi

# The LV2 bundle carries its presets in its data: one labelled with each
# name of the table.
if [[ $editions == *" lv2 "* ]]; then
  for binary in Vexa.so VexaUI.so; do
    mode=$(stat -c %a "$root/$lv2_bundle/$binary" 2>/dev/null)
    [ "$mode" = 644 ] || fail "$lv2_bundle/$binary's mode is $mode, not 644"
  done
  "$root/bin/vexa-host" info "$root/$lv2_bundle" | grep -qx 'effect       Vexa' ||
    fail "the installed vexa-host does not load $root/$lv2_bundle"
  labels=$(sed -n 's/^[[:space:]]*rdfs:label "\(.*\)" ;$/\1/p' "$root/$lv2_bundle/presets.ttl" | LC_ALL=C sort)
  [ "$labels" = "$(preset_files . x | sed -e 's|^\./||' -e 's|\.x$||' | LC_ALL=C sort)" ] ||
    fail "the installed LV2 presets are labelled '$labels', not as the table's names"
fi

[ "$failures" -eq 0 ] && echo "install rules: $(wc -l <<<"$actual") files under $prefix, modules and presets load"
[ "$failures" -eq 0 ]
