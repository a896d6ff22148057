#!/usr/bin/env bash
# Runs one Windows program in the Wine session that tools/wine-session.sh started (CTest's emulator).
# ZELTO_DESKTOP=WxH runs it, and every process it starts, on a Wine virtual desktop of that size.
# Wine keeps reporting a virtual desktop's size to later processes for a while, so after such a run
# the session's Wine processes are ended and the next program starts a fresh one.
set -u
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "wine-run: no Wine session; run the tests through ./test" >&2
  exit 2
fi
export WINEDEBUG=${WINEDEBUG:--all}
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)

warm_up() {
  wineserver -p </dev/null >/dev/null 2>&1 || true
  "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
  touch "$WINEPREFIX/.zelto-warm"
}

# The lock's descriptor is closed for every Wine process, or a wineserver started here would hold it.
exec 9>"$WINEPREFIX/.zelto-warm.lock"
flock 9
[ -e "$WINEPREFIX/.zelto-warm" ] || warm_up 9>&-
exec 9>&-

desktop=${ZELTO_DESKTOP:-}
if [ -n "$desktop" ]; then
  "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v "Zelto$desktop" /d "$desktop" /f </dev/null >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d "Zelto$desktop" /f </dev/null >/dev/null 2>&1
fi

"$wine" "$@"
rc=$?

if [ -n "$desktop" ]; then
  "$wine" reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f </dev/null >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  rm -f "$WINEPREFIX/.zelto-warm"
fi
exit $rc
