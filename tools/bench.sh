#!/usr/bin/env bash
# Builds the Windows programs and runs every benchmark under Wine on a private display, printing the
# figures. Usage: tools/bench.sh [name-filter]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j "$(nproc)"
source tools/wine-session.sh
trap wine_session_stop EXIT
trap 'exit 130' INT TERM
wine_session_start 1920x1200
bin=build/win/bin
filter=${1:-}

# run NAME DESKTOP PROGRAM [ARGS...]: one benchmark on a virtual desktop of that size ("-" for the
# whole 1920x1200 screen).
run() {
  local name=$1 desktop=$2; shift 2
  [[ -z "$filter" || "$name" == *"$filter"* ]] || return 0
  echo "== $name ($desktop)"
  if [ "$desktop" = "-" ]; then tools/wine-run.sh "$@"; else ZELTO_DESKTOP=$desktop tools/wine-run.sh "$@"; fi | tr -d '\r'
}

run emission 1024x768 $bin/emit_bench.exe
run emission 1920x1080 $bin/emit_bench.exe
# The emission on the second of two monitors, right and left of the primary (the two-monitor rig).
if [[ -z "$filter" || emission == *"$filter"* ]]; then
  for placement in right left; do
    if two_monitor_rig_start "$placement"; then
      wine_session_restart
      echo "== emission (second monitor on the $placement: $ZELTO_MONITORS)"
      tools/wine-run.sh $bin/emit_bench.exe --second-monitor | tr -d '\r'
      wine_session_restart
      two_monitor_rig_stop
    else
      echo "== emission on a second monitor: not run, the two-monitor rig cannot start: $ZELTO_RIG_WHY"
    fi
  done
fi
run hook-procedure - $bin/hook_bench.exe
run hotkey - $bin/hotkey_bench.exe
run capture 1920x1080 $bin/capture_bench.exe
run browser 1920x1080 $bin/browser_bench.exe
run viewer 1920x1080 $bin/viewer_bench.exe
run anaglyph 1920x1080 $bin/anaglyph_bench.exe
# About ten minutes of the Activator and the viewer together, on the whole screen (the X server types
# into the viewer's own X window).
run soak - $bin/soak_bench.exe

# The capture on a 3840x2160 screen needs an X screen that large: a Wine virtual desktop larger than
# the X screen shows black beyond it. A session of its own, last.
if [[ -z "$filter" || capture == *"$filter"* ]]; then
  wine_session_stop
  wine_session_start 3840x2160
  run capture 3840x2160 $bin/capture_bench.exe
fi
