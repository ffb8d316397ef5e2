#!/usr/bin/env bash
# wine-run.sh win32|win64 PROGRAM [ARGS]: runs a Windows program under Wine in
# the project's own scratch prefix for that architecture (never ~/.wine),
# creating the prefix on first use.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$here/tools.sh"
use_wine "$1"
shift
export WINEPREFIX=${ENDNOW_WINEPREFIX:-$here/build/wine/unit-$WINEARCH}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# The window tests need a screen: without one, bring up a private X display
# for this run, and end this prefix's Wine session with it so that no Wine
# process outlives the display it was started on.
own_display=
if [ -z "${DISPLAY:-}" ]; then
  start_display
  own_display=1
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  "$WINE" wineboot -i >/dev/null 2>&1
  wineserver -w
fi
if [ -z "$own_display" ]; then
  exec "$WINE" "$@"
fi
code=0
"$WINE" "$@" || code=$?
wineserver -k 2>/dev/null || true
kill "$XVFB_PID" 2>/dev/null || true
exit "$code"
