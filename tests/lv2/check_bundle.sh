#!/usr/bin/env bash
# The LV2 bundle's data as Debian's LV2 tools read it: sord_validate finds
# no error against the LV2 schemas (and does find one planted in a copy),
# lv2info lists the plug-in with the ports, ranges and defaults intended,
# and each control port carries the unit intended (read with sordi, since
# lv2info shows no units); the bundle holds each factory preset of the table
# under its name, with the table's values (and the defaults for the
# parameters a line does not name).
# Usage: check_bundle.sh BUNDLE_DIR PRESET_TABLE
set -euo pipefail
bundle=$(cd "${1:?usage: check_bundle.sh BUNDLE_DIR PRESET_TABLE}" && pwd)
table=${2:?usage: check_bundle.sh BUNDLE_DIR PRESET_TABLE}
schemas=/usr/lib/lv2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "FAIL: $1"
  failed=1
}

# sord_validate's count of errors over the schemas and the given files (it
# exits with a failure when it finds any).
validate_errors() {
  mapfile -t spec < <(find "$schemas" -name '*.ttl' | sort)
  sord_validate "${spec[@]}" "$@" > "$work/validate.log" 2>&1 || true
  sed -n 's/^Found \([0-9]*\) errors.*/\1/p' "$work/validate.log"
}

errors=$(validate_errors "$bundle"/*.ttl)
if [ "$errors" != 0 ]; then
  cat "$work/validate.log"
  fail "sord_validate found ${errors:-no count of} errors in the bundle"
fi
# The same check on a copy with a port index that is no number must fail,
# or the check above proves nothing.
mkdir "$work/broken.lv2"
cp "$bundle"/*.ttl "$work/broken.lv2/"
sed -i '0,/lv2:index 0 ;/s//lv2:index "first" ;/' "$work/broken.lv2/plugin.ttl"
errors=$(validate_errors "$work/broken.lv2"/*.ttl)
[ "${errors:-0}" -gt 0 ] || fail "sord_validate did not notice a port index that is no number"

LV2_PATH="$(dirname "$bundle"):$schemas" lv2info urn:corvanta:vexa > "$work/info.txt" 2> "$work/info.err" ||
  fail "lv2info does not know urn:corvanta:vexa"
expect_line() {
  grep -qE "$1" "$work/info.txt" || fail "lv2info shows no line matching: $1"
}
expect_line '^[[:space:]]+Name:[[:space:]]+Vexa$'
expect_line '^[[:space:]]+Author:[[:space:]]+Corvanta$'
expect_line '^[[:space:]]+Class:[[:space:]]+Filter Plugin$'
expect_line "^[[:space:]]+Bundle:[[:space:]]+file://$bundle/\$"
expect_line 'Required Features: http://lv2plug.in/ns/ext/'
expect_line 'Extension Data:[[:space:]]+http://lv2plug.in/ns/ext/state#interface'
expect_line '^[[:space:]]+Default$'
expect_line 'urn:corvanta:vexa#ui'
ports=$(grep -c '^[[:space:]]*Port [0-9]*:' "$work/info.txt" || true)
[ "$ports" = 15 ] || fail "lv2info lists $ports ports, not 15"

# symbol, minimum, maximum, default, unit (empty for none), as intended:
# the VST2 ranges and defaults in the units hosts show.
while read -r symbol min max def unit; do
  block=$(awk -v s="$symbol" '/^[[:space:]]*Port [0-9]+:/ {keep = 0; text = ""}
    {text = text $0 "\n"} $1 == "Symbol:" && $2 == s {keep = 1}
    keep && /Default:/ {printf "%s", text; exit}' "$work/info.txt")
  for field in "Minimum:.*$min" "Maximum:.*$max" "Default:.*$def"; do
    grep -qE "$field\$" <<<"$block" || fail "port $symbol: lv2info shows no $field"
  done
  [ "$unit" = - ] && unit=
  echo "$symbol $unit" >> "$work/units.expected"
done <<'PORTS'
q 0.400000 7.000000 0.707000 -
frequency 100.000000 20000.000000 20000.000000 hz
attack 0.100000 5.000000 1.000000 ms
release 50.000000 500.000000 100.000000 ms
intensity 0.000000 90.000000 0.000000 -
mix 0.000000 100.000000 0.000000 pc
output -12.000000 12.000000 0.000000 db
pitch -12.000000 12.000000 0.000000 semitone12TET
sequence 0.000000 1.000000 0.000000 -
PORTS
grep -q 'lv2core#toggled' <(awk '/Symbol:[[:space:]]+sequence/,/^$/' "$work/info.txt") ||
  fail "Sequence is not lv2:toggled"

# Each port's unit, from the triples of the plug-in's description.
sordi "$bundle/plugin.ttl" > "$work/triples.nt"
while read -r symbol unit; do
  node=$(sed -n "s|^\(_:[^ ]*\) <http://lv2plug.in/ns/lv2core#symbol> \"$symbol\" \.\$|\1|p" "$work/triples.nt")
  found=$(sed -n "s|^$node <http://lv2plug.in/ns/extensions/units#unit> <http://lv2plug.in/ns/extensions/units#\(.*\)> \.\$|\1|p" \
    "$work/triples.nt")
  [ "$found" = "$unit" ] || fail "port $symbol has unit '${found}', not '${unit}'"
done < "$work/units.expected"

# The presets: lv2info lists each label; the triples give each preset's
# port values, which must be the table's in the ports' units (Attack and
# Release in ms, the table in seconds).
sordi "$bundle/presets.ttl" > "$work/presets.nt"
presets=0
while IFS='|' read -r name settings _; do
  name=$(sed 's/[[:space:]]*$//' <<<"$name")
  presets=$((presets + 1))
  grep -qE "^[[:space:]]+$name\$" "$work/info.txt" || fail "lv2info lists no preset $name"
  uri="<urn:corvanta:vexa#preset-$(tr 'A-Z ' 'a-z-' <<<"$name")>"
  # symbol value, one a line, from the triples of the preset's ports.
  awk -v uri="$uri" '$1 == uri && $2 == "<http://lv2plug.in/ns/lv2core#port>" {port[$3] = 1}
    $2 == "<http://lv2plug.in/ns/lv2core#symbol>" {symbol[$1] = $3}
    $2 == "<http://lv2plug.in/ns/ext/presets#value>" {value[$1] = $3}
    END {for (p in port) {s = symbol[p]; v = value[p]; gsub(/"/, "", s); sub(/\^\^.*/, "", v); gsub(/"/, "", v); print s, v}}' \
    "$work/presets.nt" > "$work/values.txt"
  while read -r param symbol scale def; do
    want=$def
    for setting in $settings; do
      [ "${setting%%=*}" = "$param" ] && want=${setting#*=}
    done
    got=$(awk -v s="$symbol" '$1 == s {print $2}' "$work/values.txt")
    awk -v got="$got" -v want="$want" -v scale="$scale" \
      'BEGIN {d = got - want * scale; exit !(got != "" && d < 1e-9 && d > -1e-9)}' ||
      fail "preset $name: port $symbol is '$got', not $want x $scale"
  done <<'PARAMS'
Q q 1 0.707
Frequency frequency 1 20000
Attack attack 1000 0.001
Release release 1000 0.1
Intensity intensity 1 0
Mix mix 1 0
Output output 1 0
Pitch pitch 1 0
Sequence sequence 1 0
PARAMS
done < <(grep '^[^#].*|' "$table")
[ "$presets" -ge 1 ] || fail "the table $table holds no presets"
listed=$(grep -c '^<urn:corvanta:vexa#preset-[^>]*> <http://www.w3.org/1999/02/22-rdf-syntax-ns#type>' \
  "$work/presets.nt" || true)
[ "$listed" = "$presets" ] || fail "the bundle holds $listed presets, the table $presets"

if [ "$failed" -ne 0 ]; then
  echo "--- lv2info:"
  cat "$work/info.txt" "$work/info.err"
  exit 1
fi
echo "OK: the bundle validates, and lv2info and its triples show the ports and $presets presets intended"
