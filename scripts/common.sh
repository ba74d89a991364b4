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

# Keeps Wine's server and desktop process of the prefix running, detached
# from the caller's output, until vexa_stop_display. Whichever program
# starts them hands them its standard error, and a test runner reading that
# waits for the program until the last other Wine program has ended (a
# test of 1.7 s took 321 s in a parallel run). A console program that waits
# keeps both up; it opens no window.
VEXA_WINE_KEEP_SECONDS=7200
vexa_keep_wine_up() {
  "$VEXA_ROOT/scripts/wine-run.sh" cmd /c "ping -n $VEXA_WINE_KEEP_SECONDS 127.0.0.1 >nul" \
    </dev/null >/dev/null 2>&1 &
}

# How long a starting virtual display gets to accept connections.
VEXA_XVFB_WAIT_SECONDS=20

# Starts a virtual X display for the tests that open windows, unless DISPLAY
# already names a working one. Xvfb takes the first free display number
# (-displayfd), so a desktop, another test run or a second checkout on the
# machine keeps its own; VEXA_XVFB_DISPLAY asks for that number instead (and
# a server already answering there is used as it is). Fails with the reason
# when no display starts. VEXA_XVFB_PID names the server started here.
vexa_start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local requested=() log number waited=0
  if [ -n "${VEXA_XVFB_DISPLAY:-}" ]; then
    if DISPLAY=:$VEXA_XVFB_DISPLAY xdpyinfo >/dev/null 2>&1; then
      export DISPLAY=:$VEXA_XVFB_DISPLAY
      return 0
    fi
    requested=(":$VEXA_XVFB_DISPLAY")
  fi
  log=$(mktemp) number=$(mktemp)
  # The server writes its display number to descriptor 3 once it accepts
  # connections. -noreset: a server that resets when its last client leaves
  # can drop a client connecting in that moment, and the tests' programs come
  # and go one after another.
  Xvfb "${requested[@]}" -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp \
    3>"$number" </dev/null >"$log" 2>&1 &
  VEXA_XVFB_PID=$!
  until grep -q '^[0-9][0-9]*$' "$number"; do
    if ! kill -0 "$VEXA_XVFB_PID" 2>/dev/null || [ $waited -ge $((VEXA_XVFB_WAIT_SECONDS * 10)) ]; then
      vexa_display_failed "$log" "${requested[@]}"
      rm -f "$log" "$number"
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  export DISPLAY=:$(cat "$number")
  rm -f "$log" "$number"
  echo "== virtual display $DISPLAY (Xvfb, process $VEXA_XVFB_PID)"
}

# Reports why no virtual display started (Xvfb's log is $1, the number asked
# for $2 if any) and ends the server if it is still starting.
vexa_display_failed() {
  echo "vexa: could not start a virtual X display${2:+ on $2} with Xvfb; its output:" >&2
  sed 's/^/  /' "$1" >&2
  if [ -n "${2:-}" ]; then
    echo "vexa: unset VEXA_XVFB_DISPLAY to take a free number, or set DISPLAY to a working display" >&2
  else
    echo "vexa: set DISPLAY to a working display" >&2
  fi
  kill "$VEXA_XVFB_PID" 2>/dev/null && wait "$VEXA_XVFB_PID" 2>/dev/null
  unset VEXA_XVFB_PID
}

# Ends Wine's processes before the display they are connected to, then the
# virtual display started by vexa_start_display, if any (no other).
vexa_stop_display() {
  WINEPREFIX=$VEXA_WINEPREFIX wineserver -k 2>/dev/null || true
  if [ -n "${VEXA_XVFB_PID:-}" ]; then
    kill "$VEXA_XVFB_PID" 2>/dev/null && wait "$VEXA_XVFB_PID" 2>/dev/null
    unset VEXA_XVFB_PID
  fi
  return 0
}
