#!/usr/bin/env bash
# Builds endnow.exe and runs it under Wine in a scratch prefix (never ~/.wine),
# passing ARGS through. WINEVERSION=winxp ./run.sh /S pretends to be another
# Windows release. Under Wine the request ends only that prefix's session.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
source ./tools.sh
ensure_tools
arch=win32
if ! can_run_win32; then
  # The kernel runs no 32-bit code: show the 64-bit build of the same program.
  echo "this machine cannot run 32-bit programs; running the 64-bit build instead"
  arch=win64
fi
"build_$arch" >/dev/null
exe=$PWD/build/$arch/endnow.exe
echo "exe: $exe"

use_wine "$arch"
# The display comes first: Wine's desktop takes whatever display the prefix's
# first program finds, for the rest of the session.
if [ -z "${DISPLAY:-}" ]; then
  start_display
  trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
fi
export WINEPREFIX=$PWD/build/wine/run-$arch WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot -i >/dev/null 2>&1
fi
"$WINE" winecfg -v "${WINEVERSION:-win10}" >/dev/null 2>&1


set +e
"$WINE" "$exe" "$@"
code=$?
wineserver -w
echo "endnow.exe exited with $code"
exit $code
