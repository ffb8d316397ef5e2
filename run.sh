#!/usr/bin/env bash
# Builds endnow.exe and runs it under Wine in a scratch prefix (never ~/.wine),
# passing ARGS through. WINEVERSION=winxp ./run.sh /S pretends to be another
# Windows release. Under Wine the request ends only that prefix's session.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
source ./tools.sh
ensure_tools
build_win32 >/dev/null
exe=$PWD/build/win32/endnow.exe
echo "exe: $exe"

export WINEPREFIX=$PWD/build/wine/run WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
fi
winecfg -v "${WINEVERSION:-win10}" >/dev/null 2>&1

if [ -z "${DISPLAY:-}" ]; then
  start_display
  trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
fi

set +e
wine "$exe" "$@"
code=$?
wineserver -w
echo "endnow.exe exited with $code"
exit $code
