# Shared by the demo and test commands: set up, configure and build presets.
# Sourced, not run.

VEXA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export VEXA_WINEPREFIX=$VEXA_ROOT/build/wineprefix

# Installs what is missing (through sudo when not root); returns at once when
# nothing is.
vexa_setup() {
  local t0
  t0=$(date +%s)
  bash "$VEXA_ROOT/scripts/setup.sh" || return 1
  echo "== set up in $(( $(date +%s) - t0 )) s"
}

# vexa_build PRESET...: configures and builds each preset. Configuring every
# time is cheap and repairs a build tree whose last configure failed halfway.
# The project's own builds treat warnings as errors.
vexa_build() {
  local preset t0
  for preset in "$@"; do
    echo "== build $preset"
    t0=$(date +%s)
    (cd "$VEXA_ROOT" && cmake --preset "$preset" -DVEXA_WERROR=ON >/dev/null) || return 1
    cmake --build "$VEXA_ROOT/build/$preset" -j"$(nproc)" || return 1
    echo "== built $preset in $(( $(date +%s) - t0 )) s"
  done
}

# Creates the private Wine prefix once; later runs reuse it.
vexa_wine_prefix() {
  if [ ! -f "$VEXA_WINEPREFIX/system.reg" ]; then
    echo "== creating the Wine prefix"
    WINEPREFIX=$VEXA_WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 || true
  fi
  WINEPREFIX=$VEXA_WINEPREFIX wineserver -w || true
}

# Starts a virtual X display for the tests that open windows, unless DISPLAY
# already names a working one. VEXA_XVFB_DISPLAY picks its number (default 99).
vexa_start_display() {
  if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    export DISPLAY=:${VEXA_XVFB_DISPLAY:-99}
    if ! xdpyinfo >/dev/null 2>&1; then
      Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      VEXA_XVFB_PID=$!
      for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    fi
  fi
}

# Ends Wine's processes before the display they are connected to.
vexa_stop_display() {
  WINEPREFIX=$VEXA_WINEPREFIX wineserver -k 2>/dev/null || true
  if [ -n "${VEXA_XVFB_PID:-}" ]; then kill "$VEXA_XVFB_PID" 2>/dev/null || true; fi
}
