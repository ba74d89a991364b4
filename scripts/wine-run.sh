#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's private prefix.
# VEXA_WINEPREFIX overrides the prefix (default: build/wineprefix).
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${VEXA_WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# How long Wine's server and its system processes outlive the last program.
linger_seconds=10

# The first program of a prefix starts Wine's server and system processes,
# which inherit its standard output and error. A test runner reading those
# would then wait for the program until the last other Wine program of the
# prefix has ended (minutes in a parallel test run). So the server starts
# here, detached from the caller's output, with a throw-away program that
# brings up the system processes; "wineserver" fails when one already runs.
if wineserver -p"$linger_seconds" </dev/null >/dev/null 2>&1; then
  wine cmd /c exit </dev/null >/dev/null 2>&1
fi
exec wine "$@"
