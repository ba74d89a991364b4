#!/usr/bin/env bash
# The test command's virtual display beside another X server that refuses
# strangers (as a desktop does): it starts its own on a free number, a window
# test connects to it, and stopping ends that server only. A requested number
# that is taken fails with a clear message; a working display is used as it
# is.
# Usage: display_test.sh [WINDOW_TEST...]  (a command that opens a window)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/check.sh"
source "$here/../../scripts/common.sh"
# vexa_stop_display also ends Wine's server of this prefix: none here.
VEXA_WINEPREFIX=$work/no-wineprefix
window_test=("$@")

# An authority file whose one entry matches every display: the cookie the
# other server demands.
cookie=$work/cookie
{
  printf '\377\377\000\000\000\000\000\022MIT-MAGIC-COOKIE-1\000\020'
  head -c 16 /dev/urandom
} > "$cookie"

# -noreset as in the test command: a server that resets when its last client
# leaves can drop a client connecting in that moment: the likely reason one
# check right after another failed once.
number_file=$work/other.number
Xvfb -displayfd 3 -auth "$cookie" -noreset -nolisten tcp 3>"$number_file" </dev/null >"$work/other.log" 2>&1 &
other_pid=$!
trap 'vexa_stop_display; kill "$other_pid" 2>/dev/null && wait "$other_pid"; rm -rf "$work"' EXIT
for _ in $(seq 100); do grep -q '^[0-9]' "$number_file" && break; sleep 0.1; done
other=:$(cat "$number_file")
answers() { DISPLAY=$1 xdpyinfo >/dev/null 2>&1; }
with_cookie() { XAUTHORITY=$cookie answers "$1"; }
refuses() { ! answers "$1" && with_cookie "$1"; }
check "the other server $other answers its cookie only" refuses "$other"

# DISPLAY names the other server, which refuses this user.
export DISPLAY=$other
unset VEXA_XVFB_DISPLAY VEXA_XVFB_PID
check "a display starts beside it" vexa_start_display
ours=$DISPLAY ours_pid=${VEXA_XVFB_PID:-}
check "on another number" test "$ours" != "$other"
check "that answers" answers "$ours"
if [ ${#window_test[@]} -gt 0 ]; then
  check "a window test passes on it" "${window_test[@]}"
fi
vexa_stop_display
check "stopping ends the server it started" eval '! kill -0 "$ours_pid" 2>/dev/null'
check "whose display is gone" eval '! with_cookie "$ours"'
check "and leaves the other one running" with_cookie "$other"

# A requested number: used when free, refused clearly when taken.
free=${ours#:}
unset DISPLAY
requested() { VEXA_XVFB_DISPLAY=$1 vexa_start_display > "$work/start.out" 2>&1; }
check "a requested free number is taken" requested "$free"
check "as asked" test "$DISPLAY" = ":$free"
check "and answers" answers ":$free"
vexa_stop_display
unset DISPLAY
taken() {
  ! requested "${other#:}" && grep -q "could not start a virtual X display on :${other#:}" "$work/start.out" &&
    grep -q "VEXA_XVFB_DISPLAY" "$work/start.out" && test -z "${VEXA_XVFB_PID:-}"
}
check "a requested number that is taken fails and says so" taken
check "without touching the server there" with_cookie "$other"

# A working display is used as it is: nothing starts.
export DISPLAY=$other XAUTHORITY=$cookie
check "a working DISPLAY is kept" vexa_start_display
check "as it is" test "$DISPLAY" = "$other" -a -z "${VEXA_XVFB_PID:-}"
unset DISPLAY
check "a requested number that answers is used" requested "${other#:}"
check "without a server of its own" test "$DISPLAY" = "$other" -a -z "${VEXA_XVFB_PID:-}"

echo "display: $failures failed"
[ $failures -eq 0 ]
