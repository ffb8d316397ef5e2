#!/usr/bin/env bash
# wine-run.sh win32|win64 PROGRAM [ARGS]: runs a Windows program under Wine in
# the project's own prefix for that kind of program (never ~/.wine), booting
# it on first use.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$here/tools.sh"
use_wine "$1"
shift
export WINEDEBUG=${WINEDEBUG:--all}
# The window tests need a screen: without one, bring up a private X display
# for this run, and end the prefix's Wine session with it so that no Wine
# process outlives the display it was started on.
own_display=
if [ -z "${DISPLAY:-}" ]; then
  start_display
  own_display=1
fi
boot_prefix
set_release win10
if [ -z "$own_display" ]; then
  exec "$WINE" "$@"
fi
code=0
"$WINE" "$@" || code=$?
wineserver -k 2>/dev/null || true
kill "$XVFB_PID" 2>/dev/null || true
exit "$code"
