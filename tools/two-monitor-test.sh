#!/usr/bin/env bash
# CTest's command for the two-monitor cases: runs one Windows test program on the two-monitor rig
# (tools/wine-session.sh) in the test session's Wine prefix, then ends the rig and gives the session
# its own screen back. Where the rig cannot start, the case is reported as skipped, in GoogleTest's
# words, with the reason.
# Usage: tools/two-monitor-test.sh right|left PROGRAM [ARGS...]
set -u
source "$(dirname "$0")/wine-session.sh"
if [ -z "${WINEPREFIX:-}" ]; then
  echo "two-monitor-test: no Wine session; run the tests through ./test" >&2
  exit 2
fi
placement=$1
shift
if ! two_monitor_rig_start "$placement"; then
  echo "two-monitor rig, second monitor on the $placement: Skipped"
  echo "The two-monitor rig cannot start: $ZELTO_RIG_WHY"
  exit 0
fi
finish() {
  wine_session_restart
  two_monitor_rig_stop
}
trap finish EXIT
trap 'exit 130' INT TERM
wine_session_restart
echo "Two monitors, the second on the $placement: $ZELTO_MONITORS"
"$ZELTO_TOOLS/wine-run.sh" "$@"
