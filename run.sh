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
decide_win32
echo "exe: $exe (32-bit exe: $ENDNOW_WIN32_NOTE)"
code=0
bash tools/wine-run.sh win32 "$exe" "$@" || code=$?
echo "endnow.exe exited with $code"
exit $code
