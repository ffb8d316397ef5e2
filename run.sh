#!/usr/bin/env bash
# Builds endnow.exe and runs it under Wine in the project's own prefix (never
# ~/.wine), passing ARGS through. WINEVERSION=winxp ./run.sh /S pretends to be
# another Windows release. Under Wine the request ends only that prefix's
# session. Where the kernel runs no 32-bit code, the 32-bit exe runs under
# qemu user-mode emulation (tools/wine.sh).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
source ./tools/setup.sh
source ./tools/wine.sh
ensure_tools
build_win32 >/dev/null
exe=$PWD/build/win32/endnow.exe
use_wine win32
echo "exe: $exe (32-bit exe: $ENDNOW_WIN32_NOTE)"

# The display comes first: Wine's desktop takes whatever display the prefix's
# first program finds, for the rest of the session.
if [ -z "${DISPLAY:-}" ]; then
  start_display
  trap 'wineserver -k 2>/dev/null || true; kill $XVFB_PID 2>/dev/null || true' EXIT
fi
export WINEDEBUG=${WINEDEBUG:--all}
boot_prefix
set_release "${WINEVERSION:-win10}"

set +e
"$WINE" "$exe" "$@"
code=$?
wineserver -w
echo "endnow.exe exited with $code"
exit $code
