# A private Wine session: an Xvfb display of its own and a Wine prefix.
# Source this file, then call wine_session_start [WxH] [prefix] and, when done, wine_session_stop.
# Exports DISPLAY, WINEPREFIX, WINEDEBUG, ZELTO_FBDIR (where Xvfb keeps its screen as an XWD file),
# and ZELTO_RUN32 (yes or no: whether 32-bit programs can run here) with ZELTO_RUN32_WHY.

# Every Wine command goes through the 64-bit loader: once wine32 is installed, Debian's wine and
# wineboot commands take the 32-bit one, which fails on a kernel that runs no 32-bit programs.
ZELTO_WINE=${ZELTO_WINE:-/usr/lib/wine/wine64}
[ -x "$ZELTO_WINE" ] || ZELTO_WINE=$(command -v wine64 || command -v wine)
ZELTO_TOOLS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Creates the prefix in WINEPREFIX unless it exists.
wine_prefix_create() {
  [ -e "$WINEPREFIX/system.reg" ] && return 0
  echo "Creating Wine prefix $WINEPREFIX ..."
  "$ZELTO_WINE" wineboot.exe -i </dev/null >/dev/null 2>&1
  wineserver -w
}

wine_session_start() {
  local size=${1:-1920x1200} prefix=${2:-}
  export WINEDEBUG=-all
  ZELTO_SESSION_DIR=$(mktemp -d /tmp/zelto-session.XXXXXX)
  export ZELTO_FBDIR=$ZELTO_SESSION_DIR/fb
  mkdir -p "$ZELTO_FBDIR"

  # Xvfb chooses a free display number and writes it to file descriptor 3.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -fbdir "$ZELTO_FBDIR" \
    3>"$ZELTO_SESSION_DIR/display" >"$ZELTO_SESSION_DIR/xvfb.log" 2>&1 &
  ZELTO_XVFB_PID=$!
  local i
  for i in $(seq 100); do
    [ -s "$ZELTO_SESSION_DIR/display" ] && break
    sleep 0.1
  done
  if ! [ -s "$ZELTO_SESSION_DIR/display" ]; then
    echo "Xvfb did not start:" >&2; cat "$ZELTO_SESSION_DIR/xvfb.log" >&2; return 1
  fi
  export DISPLAY=":$(tr -d '[:space:]' <"$ZELTO_SESSION_DIR/display")"

  if [ -n "$prefix" ]; then
    WINEPREFIX=$prefix; ZELTO_OWN_PREFIX=0
  else
    WINEPREFIX=$ZELTO_SESSION_DIR/prefix; ZELTO_OWN_PREFIX=1
  fi
  export WINEPREFIX
  wine_prefix_create
  if ZELTO_RUN32_WHY=$("$ZELTO_TOOLS/run32-check.sh"); then ZELTO_RUN32=yes; else ZELTO_RUN32=no; fi
  export ZELTO_RUN32 ZELTO_RUN32_WHY
  # Without a window manager Wine waits 2 s for DestroyWindow of a visible top-level window unless
  # its windows are unmanaged.
  "$ZELTO_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
  wine_session_warm_up
}

# Wine's system processes inherit the standard handles of whoever starts them; start them here with
# /dev/null so that a test runner's output pipes are not held open by them.
wine_session_warm_up() {
  wineserver -p </dev/null >/dev/null 2>&1 || true
  "$ZELTO_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
  touch "$WINEPREFIX/.zelto-warm"
}

wine_session_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    rm -f "$WINEPREFIX/.zelto-warm"
  fi
  [ -n "${ZELTO_XVFB_PID:-}" ] && kill "$ZELTO_XVFB_PID" 2>/dev/null && wait "$ZELTO_XVFB_PID" 2>/dev/null
  if [ -n "${ZELTO_SESSION_DIR:-}" ]; then
    if [ "${ZELTO_OWN_PREFIX:-0}" = 1 ]; then rm -rf "$ZELTO_SESSION_DIR"; else rm -rf "$ZELTO_FBDIR"; fi
  fi
  ZELTO_XVFB_PID=""; ZELTO_SESSION_DIR=""
}
