#!/usr/bin/env bash
# Checks the install rules of a native build: `cmake --install` under DESTDIR
# with a prefix of its own puts exactly the expected files below that prefix,
# the module readable but not executable, and the installed vexa-host loads
# the installed module and its presets from their installed places.
# Usage: check_install.sh BUILD_DIR PRESET_TABLE
set -uo pipefail
build=$1 table=$2
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
expected=$(
  {
    echo "bin/vexa-host"
    echo "lib/vst/Vexa.so"
    echo "share/man/man1/vexa-host.1"
    for doc in README.md LICENSE THIRD-PARTY.txt CHANGELOG.md; do echo "share/doc/vexa/$doc"; done
    grep '^[^#].*|' "$table" | cut -d'|' -f1 | sed -e 's/[[:space:]]*$//' -e 's|^|share/vexa/presets/|' -e 's|$|.fxp|'
  } | LC_ALL=C sort
)
actual=$(cd "$work" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$(sed "s|^|${prefix#/}/|" <<<"$expected")" ] ||
  fail "installed files differ from the expected ones:
$(diff <(sed "s|^|${prefix#/}/|" <<<"$expected") <(echo "$actual"))"

module=$root/lib/vst/Vexa.so
[ "$(stat -c %a "$module" 2>/dev/null)" = 644 ] || fail "the module's mode is $(stat -c %a "$module" 2>/dev/null), not 644"
"$root/bin/vexa-host" info "$module" | grep -qx 'effect       Vexa' || fail "the installed vexa-host does not load the installed module"
loaded=0
for preset in "$root"/share/vexa/presets/*.fxp; do
  "$root/bin/vexa-host" state load "$module" "$preset" >/dev/null && loaded=$((loaded + 1))
done
[ "$loaded" -eq "$presets" ] || fail "$loaded of $presets installed presets load"

[ "$failures" -eq 0 ] && echo "install rules: $(wc -l <<<"$actual") files under $prefix, module and presets load"
[ "$failures" -eq 0 ]
