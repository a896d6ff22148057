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
  if [ $ZELTO_RUN32 = yes ] &&
     ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    ZELTO_RUN32=no
    ZELTO_RUN32_WHY="Wine's 32-bit part (wine32:i386) is not installed on this machine"
  fi
  export ZELTO_RUN32 ZELTO_RUN32_WHY
  # Without a window manager Wine waits 2 s for DestroyWindow of a visible top-level window unless
  # its windows are unmanaged.
  "$ZELTO_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
  # Wine makes the user's Pictures folder the Unix home folder, which every session and prefix shares;
  # captures go there by default. Each session gets a Pictures folder of its own in its prefix.
  mkdir -p "$WINEPREFIX/drive_c/users/$(id -un)/Session Pictures"
  "$ZELTO_WINE" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
    /v 'My Pictures' /t REG_EXPAND_SZ /d '%USERPROFILE%\Session Pictures' /f </dev/null >/dev/null 2>&1
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

# Ends the prefix's Wine processes, so that the next Wine program starts a new wineserver: Wine keeps
# the monitors it saw until its wineserver ends.
wine_session_restart() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -f "$WINEPREFIX/.zelto-warm"
}

# The two-monitor rig: a second X server, Xorg with the dummy video driver, whose RandR outputs Wine
# reports as monitors (Xvfb gives Wine one monitor, whatever its screens). The primary monitor is
# 1024x768 at the origin; the second one is of another size, to its right (1280x1024) or, with
# "left", to its left (800x600), where Windows gives it negative coordinates.
#
# two_monitor_rig_start right|left starts the server and sets the layout, and exports DISPLAY (the
# rig's) and ZELTO_MONITORS, the monitors' rectangles in Windows' coordinates, the primary first
# ("0,0,1024,768 1024,0,2304,1024"). It fails, with the reason in ZELTO_RIG_WHY, when the rig cannot
# start. two_monitor_rig_stop ends the server and gives DISPLAY back. Wine programs started before the
# rig keep the monitors they saw: wine_session_restart before and after.
two_monitor_rig_start() {
  local placement=${1:-right} xorg="" fb second primary_pos second_pos
  case "$placement" in
    right) fb=2304x1024; second=1280x1024; primary_pos=0x0; second_pos=1024x0
           ZELTO_MONITORS="0,0,1024,768 1024,0,2304,1024" ;;
    left)  fb=1824x768; second=800x600; primary_pos=800x0; second_pos=0x0
           ZELTO_MONITORS="0,0,1024,768 -800,0,0,600" ;;
    *) ZELTO_RIG_WHY="unknown placement '$placement' (right or left)"; return 1 ;;
  esac
  if ! command -v Xorg >/dev/null || ! command -v xrandr >/dev/null; then
    ZELTO_RIG_WHY="Xorg or xrandr is not installed (xserver-xorg-core, x11-xserver-utils)"; return 1
  fi
  if [ "$(id -u)" -eq 0 ]; then xorg=Xorg
  elif sudo -n true 2>/dev/null; then xorg="sudo -n Xorg"
  else ZELTO_RIG_WHY="Xorg needs root to read a configuration of its own, and sudo asks for a password"; return 1
  fi
  ZELTO_RIG_DIR=$(mktemp -d /tmp/zelto-rig.XXXXXX)
  cat >"$ZELTO_RIG_DIR/xorg.conf" <<'CONF'
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 2304 1024
  EndSubSection
EndSection
CONF
  ZELTO_RIG_DISPLAY_BEFORE=${DISPLAY:-}
  # Xorg, like Xvfb, chooses a free display number and writes it to file descriptor 3.
  $xorg -displayfd 3 -config "$ZELTO_RIG_DIR/xorg.conf" -noreset -nolisten tcp \
    -logfile "$ZELTO_RIG_DIR/xorg.log" 3>"$ZELTO_RIG_DIR/display" >"$ZELTO_RIG_DIR/out.log" 2>&1 &
  ZELTO_RIG_PID=$!
  local i
  for i in $(seq 150); do
    [ -s "$ZELTO_RIG_DIR/display" ] && break
    kill -0 "$ZELTO_RIG_PID" 2>/dev/null || break
    sleep 0.1
  done
  if ! [ -s "$ZELTO_RIG_DIR/display" ]; then
    ZELTO_RIG_WHY="Xorg with the dummy driver did not start: $({ grep -h '(EE)' "$ZELTO_RIG_DIR"/*.log |
      grep -v 'Markers:' | head -3 | tr '\n' ' '; } 2>/dev/null || true)"
    two_monitor_rig_stop
    return 1
  fi
  export DISPLAY=":$(tr -d '[:space:]' <"$ZELTO_RIG_DIR/display")"
  # VESA timings; the dummy monitor accepts any.
  if ! { xrandr --newmode zelto1024x768 65.00 1024 1048 1184 1344 768 771 777 806 -hsync -vsync &&
         xrandr --newmode zelto1280x1024 108.00 1280 1328 1440 1688 1024 1025 1028 1066 +hsync +vsync &&
         xrandr --newmode zelto800x600 40.00 800 840 968 1056 600 601 605 628 +hsync +vsync &&
         xrandr --addmode DUMMY0 zelto1024x768 && xrandr --addmode DUMMY1 "zelto$second" &&
         xrandr --fb "$fb" --output DUMMY0 --mode zelto1024x768 --pos "$primary_pos" --primary \
                --output DUMMY1 --mode "zelto$second" --pos "$second_pos"; } >"$ZELTO_RIG_DIR/xrandr.log" 2>&1; then
    ZELTO_RIG_WHY="xrandr could not set two monitors: $(head -3 "$ZELTO_RIG_DIR/xrandr.log" | tr '\n' ' ' || true)"
    two_monitor_rig_stop
    return 1
  fi
  # A query probes the outputs again: until then the server's cached state, which Wine reads, still
  # shows the second output disconnected.
  xrandr --query >/dev/null 2>&1 || true
  export ZELTO_MONITORS
}

two_monitor_rig_stop() {
  if [ -n "${ZELTO_RIG_PID:-}" ]; then
    kill "$ZELTO_RIG_PID" 2>/dev/null || sudo -n kill "$ZELTO_RIG_PID" 2>/dev/null || true
    wait "$ZELTO_RIG_PID" 2>/dev/null || true
  fi
  [ -n "${ZELTO_RIG_DIR:-}" ] && rm -rf "$ZELTO_RIG_DIR"
  [ -n "${ZELTO_RIG_DISPLAY_BEFORE+set}" ] && export DISPLAY=$ZELTO_RIG_DISPLAY_BEFORE
  unset ZELTO_MONITORS ZELTO_RIG_DISPLAY_BEFORE
  ZELTO_RIG_PID=""; ZELTO_RIG_DIR=""
}
