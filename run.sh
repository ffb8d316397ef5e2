#!/usr/bin/env bash
# Builds endnow.exe, and only it, and runs it under Wine, passing ARGS
# through. WINEVERSION=winxp ./run.sh /S pretends to be another Windows
# release. The notice shows on $DISPLAY, else on a private X display; no key
# is pressed. Its Wine prefix is its own, apart from the tests' (never
# ~/.wine), so that its request ends only that prefix's session and a test
# running beside it is left alone. Where the kernel runs no 32-bit code, the
# 32-bit exe runs under qemu user-mode emulation (tools/wine.sh).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
source ./tools/setup.sh
source ./tools/wine.sh
ensure_tools
as_owner ./run.sh "$@"
build_exe >/dev/null
exe=$PWD/build/win32/endnow.exe
decide_win32
echo "exe: $exe (32-bit exe: $ENDNOW_WIN32_NOTE)"
code=0
# Afterwards it says what the exe asked Windows for, read from Wine's trace, and, on a private
# display, where the screenshot of the notice is (tools/run-report.py).
ENDNOW_PREFIXES=$PWD/build/wine/run bash tools/wine-run.sh win32 -- \
  /usr/bin/python3 tools/run-report.py "$exe" "$@" || code=$?
echo "endnow.exe exited with $code"
exit $code
