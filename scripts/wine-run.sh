#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's private prefix.
# VEXA_WINEPREFIX overrides the prefix (default: build/wineprefix).
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${VEXA_WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
