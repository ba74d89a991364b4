#!/usr/bin/env bash
# vexa-host as a user meets it, on every target (the Windows builds under
# Wine): a render never loses or replaces its input and writes its output
# whole or not at all, keeps the effect's delayed sound after the input's
# end, resamples with --rate, says when an input is cut short or has more
# channels than it can take, refuses values it cannot take with what they
# should be, writes the container the output's name asks for, shows its
# help on standard output and stops cleanly on Ctrl-C.
# Usage: render_command_test.sh linux|windows VEXA_MODULE HOST_COMMAND...
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../scripts/check.sh"
platform=$1 module=$2
shift 2
host=("$@")
fixture() { python3 "$here/audio_fixture.py" "$@"; }

# run ARGS...: runs vexa-host; its status in rc, its output in $work/out and
# $work/err (without the carriage returns of Windows programs).
run() {
  "${host[@]}" "$@" >"$work/out.raw" 2>"$work/err.raw"
  rc=$?
  tr -d '\r' <"$work/out.raw" >"$work/out"
  tr -d '\r' <"$work/err.raw" >"$work/err"
}
says() { grep -qF -- "$1" "$work/err"; }
prints() { grep -qF -- "$1" "$work/out"; }
# field NAME FILE: one figure of audio_fixture.py info.
field() { fixture info "$2" | tr ' ' '\n' | grep -A1 -x "$1" | tail -1; }
no_leftovers() { ! ls -a "$work" | grep -q '^\.vexa-'; }

fixture write "$work/impulse.wav" 20000 2 impulse:19500
fixture write "$work/tone.wav" 44100 2 tone:1000
cp "$work/impulse.wav" "$work/impulse.copy"

# 1. The input is never the output, and a failed render leaves nothing.
for same in "$work/impulse.wav" "$work/./sub/../impulse.wav" "$work/link.wav" "$work/hard.wav"; do
  mkdir -p "$work/sub"
  ln -sf impulse.wav "$work/link.wav"
  ln -f "$work/impulse.wav" "$work/hard.wav"
  run render "$module" "$work/impulse.wav" "$same"
  check "a render onto its own input ($(basename "$same")) is refused" \
    test $rc -eq 2 -a -n "$(says 'is the input file' && echo y)"
  check "the input stays intact ($(basename "$same"))" cmp -s "$work/impulse.wav" "$work/impulse.copy"
done
run render "$module" "$work/tone.wav" "$work/kept.wav" --tail 0
cp "$work/kept.wav" "$work/kept.copy"
# A full disk: writes beyond the size limit fail (the signal that would
# end the process is ignored, as a full disk sends none). Under Wine the
# render just before keeps the Wine server running, so that the limit
# applies to the render only.
(ulimit -f 256 && trap '' XFSZ && run render "$module" "$work/tone.wav" "$work/kept.wav" && echo $rc >"$work/rc")
check "a render onto a full disk fails" test "$(cat "$work/rc")" -eq 1
check "a render onto a full disk leaves the earlier output as it was" cmp -s "$work/kept.wav" "$work/kept.copy"
check "a render onto a full disk leaves no partial file" no_leftovers
check "a render onto a full disk leaves its input intact" test "$(field frames "$work/tone.wav")" -eq 44100

# 2. The whole sound: the effect delays by 1000 frames.
run render "$module" "$work/impulse.wav" "$work/impulse-out.wav"
check "an impulse 500 frames before the input's end comes out" \
  test "$(field at "$work/impulse-out.wav")" -eq 20500 -a "$(field frames "$work/impulse-out.wav")" -gt 20500
run render "$module" "$work/impulse.wav" "$work/impulse-cut.wav" --tail 0
check "--tail 0 ends the output with the input" test "$(field frames "$work/impulse-cut.wav")" -eq 20000
run render "$module" "$work/impulse.wav" "$work/impulse-long.wav" --tail 1.5
check "--tail 1.5 adds 1.5 seconds" test "$(field frames "$work/impulse-long.wav")" -eq $((20000 + 66150))

# 4. Rates: the plug-in runs at the file's rate; --rate resamples.
run render "$module" "$work/tone.wav" "$work/tone-44k.wav" --tail 0
run render "$module" "$work/tone.wav" "$work/tone-48k.wav" --tail 0 --rate 48000
frames=$(field frames "$work/tone-48k.wav")
check "--rate 48000 writes a 48 kHz file of the same duration ($frames frames)" \
  test "$(field rate "$work/tone-48k.wav")" -eq 48000 -a "$frames" -ge 47999 -a "$frames" -le 48001
at44=$(field crossings "$work/tone-44k.wav") at48=$(field crossings "$work/tone-48k.wav")
check "--rate keeps the pitch ($at44 cycles of the tone at 44.1 kHz, $at48 at 48 kHz)" \
  test "$at48" -ge $((at44 - 1)) -a "$at48" -le $((at44 + 1))
for bad in "render --rate 1" "render --rate 1e9" "render --rate 0" "render --rate -1" "render --rate abc" \
           "render --block 0" "render --block 12x" "render --block 1e3" "render --tail -1" "render --tail abc" \
           "render --channels 0" "render --channels 1,x" "validate --strictness 11" "validate --seed abc" \
           "lifecycle --cycles 19" "lifecycle --cycles 2.5"; do
  read -r command option value <<<"$bad"
  if [ "$command" = render ]; then
    run render "$module" "$work/tone.wav" "$work/bad.wav" "$option" "$value"
  else
    run "$command" "$module" "$option" "$value"
  fi
  check "$command $option $value is refused, naming the option" \
    test $rc -eq 2 -a -n "$(says "$option: '$value'" && echo y)"
done
check "refused renders write nothing" test ! -e "$work/bad.wav"

# 5. and 6. Damaged and many-channel inputs are never taken silently.
fixture write "$work/cut.wav" 10000 2 tone:440 --cut $((44 + 4 * 6000))
run render "$module" "$work/cut.wav" "$work/cut-out.wav"
check "a WAV file cut short renders with a warning naming it and the 4000 missing frames" \
  test $rc -eq 0 -a -n "$(says "warning: $work/cut.wav is cut short: 4000 frames" && echo y)"
run render "$module" "$work/cut.wav" "$work/cut-strict.wav" --strict
check "--strict refuses a file cut short and writes nothing" test $rc -eq 1 -a ! -e "$work/cut-strict.wav"
fixture write "$work/six.wav" 4000 6 sound:3-6
run render "$module" "$work/six.wav" "$work/six-out.wav"
check "a six-channel file is refused with how to choose two" \
  test $rc -eq 1 -a -n "$(says 'has 6 channels; choose' && says '--channels 3,4' && echo y)" -a ! -e "$work/six-out.wav"
run render "$module" "$work/six.wav" "$work/six-out.wav" --channels 3,4 --tail 0
check "--channels 3,4 renders the sound on channels 3 and 4" \
  awk -v p="$(field peak "$work/six-out.wav")" 'BEGIN { exit !(p > 0.1) }'
run render "$module" "$work/six.wav" "$work/six-out.wav" --channels 7
check "--channels beyond the file's is refused" test $rc -eq 2 -a -n "$(says 'has 6 channels, no channel 7' && echo y)"

# 7. Strict values, with units.
while IFS='|' read -r setting expected; do
  run render "$module" "$work/tone.wav" "$work/set.wav" --set "$setting"
  check "--set $setting is refused with what the parameter takes" \
    test $rc -eq 2 -a -n "$(says "$expected" && echo y)"
done <<'CASES'
Pitch=abc|'abc' is not a number; Pitch takes -12 to 12 semitones
Pitch=|no value given; Pitch takes -12 to 12 semitones
Pitch=7,5|'7,5' is not a number (decimals take a point); Pitch takes -12 to 12 semitones
Frequency=nan|'nan' is not a number; Frequency takes 100 to 20000 Hz (a number, optionally followed by Hz or kHz)
Attack=3.3|'3.3' is 3.3 s, out of range; Attack takes 0.0001 to 0.005 s (a number, optionally followed by s or ms)
Mix=50dB|'50dB' is not a value of Mix; Mix takes 0 to 100%
Bogus=3|no parameter 'Bogus'; the parameters are Q, Frequency, Attack, Release, Intensity, Mix, Output, Pitch, Sequence
CASES
check "refused settings write nothing" test ! -e "$work/set.wav"
run state save "$module" "$work/units.state" --program --set Attack=3.3ms --set Output=-6dB --set Frequency=2kHz \
  --set Mix=50% --set pitch=-7
run state load "$module" "$work/units.state" --program
check "values with units are taken in the parameter's unit" \
  grep -qE 'Frequency +2000\.00.*Attack +0\.0033.*Mix +50\.00.*Output +-6 .*Pitch +-7 ' <(tr '\n' ' ' <"$work/out")
for foreign in "$work/tone.wav" "$here/audio_fixture.py"; do
  run state load "$module" "$foreign"
  check "state load refuses $(basename "$foreign") as no Vexa state" \
    test $rc -eq 1 -a -n "$(says 'is not a Vexa state: it does not begin with' && echo y)"
  run render "$module" "$work/tone.wav" "$work/state.wav" --state "$foreign"
  check "render --state refuses $(basename "$foreign") and writes nothing" test $rc -eq 1 -a ! -e "$work/state.wav"
done
head -c 44 "$work/units.state" >"$work/cut.state"
run state load "$module" "$work/cut.state" --program
check "a damaged Vexa state is read as far as it is sound, with a warning" \
  test $rc -eq 0 -a -n "$(says 'a damaged Vexa state (cut short after 4 of its 9 values)' && prints 'Attack' && echo y)"

# 8. The container follows the output's name.
if [ "$platform" = linux ]; then
  run render "$module" "$work/tone.wav" "$work/tone.flac" --out-format flac
  run render "$module" "$work/tone.flac" "$work/from-flac.wav"
  check "a FLAC input rendered to out.wav gives a WAV file" test "$(head -c 4 "$work/from-flac.wav")" = RIFF
  run render "$module" "$work/tone.wav" "$work/to.aiff"
  check "a WAV input rendered to out.aiff gives an AIFF file" test "$(head -c 4 "$work/to.aiff")" = FORM
else
  run render "$module" "$work/tone.wav" "$work/to.flac"
  check "an output named .flac, which this build cannot write, is refused" test $rc -eq 2 -a ! -e "$work/to.flac"
fi
run render "$module" "$work/tone.wav" "$work/mismatch.wav" --out-format aiff
check "--out-format naming another container than the extension is refused" test $rc -eq 2 -a ! -e "$work/mismatch.wav"

# 10. Help on standard output; errors on standard error.
run --help
check "--help prints every command and option on standard output" \
  test $rc -eq 0 -a ! -s "$work/err" -a -n "$(prints 'vexa-host render' && prints '--tail SECONDS' && prints '--seed N' && prints '--cycles N' && echo y)"
for command in info render state snapshot validate lifecycle; do
  run "$command" --help
  check "$command --help prints its usage on standard output" \
    test $rc -eq 0 -a ! -s "$work/err" -a -n "$(prints "vexa-host $command" && echo y)"
done
run validate --help
check "validate --help lists its options" prints '--strictness N'
run render
check "render without arguments is refused on standard error" test $rc -eq 2 -a ! -s "$work/out" -a -n "$(says usage && echo y)"
mkdir -p "$work/folder.wav"
run render "$module" "$work/folder.wav" "$work/from-folder.wav"
check "a folder given as input is named as one" test $rc -eq 1 -a -n "$(says 'a folder, not an audio file' && echo y)"

# Ctrl-C stops a render between two blocks and leaves what was there.
# An hour of silence stored as a hole takes several seconds to render; the
# signal goes once the temporary output is growing, to the render's whole
# process group as a terminal sends it (Wine runs a 64-bit program as a
# child of its starter).
python3 "$here/audio_fixture.py" write "$work/hour.wav" $((3600 * 44100)) 2 silence --sparse
cp "$work/kept.copy" "$work/kept.wav"
setsid "${host[@]}" render "$module" "$work/hour.wav" "$work/kept.wav" >/dev/null 2>"$work/err.raw" &
render_pid=$!
growing() { find "$work" -maxdepth 1 -name '.vexa-*' -size +1M | grep -q .; }
for _ in $(seq 300); do growing && break; sleep 0.1; done
kill -INT -- -$render_pid
wait $render_pid
rc=$?
tr -d '\r' <"$work/err.raw" >"$work/err"
check "Ctrl-C ends a render with status 130" test $rc -eq 130
check "and says nothing was written" says 'nothing was written'
check "and leaves the earlier output as it was" cmp -s "$work/kept.wav" "$work/kept.copy"

check "no temporary file is left behind" no_leftovers
echo "render command: $failures failures"
[ "$failures" -eq 0 ]
