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
  for n in $(seq 90 120); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null || true' EXIT
    export DISPLAY=:$n
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
    break
  done
fi

set +e
wine "$exe" "$@"
code=$?
wineserver -w
echo "endnow.exe exited with $code"
exit $code
