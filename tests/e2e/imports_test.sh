#!/usr/bin/env bash
# The load-time import audit of the 32-bit exe against res/imports.txt: what it
# needs must be in every Windows from 95 and NT 4.0 on.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
EXE=${1:-$ROOT/build/win32/endnow.exe}
source "$ROOT/tools.sh"
if [ "$(pe_arch "$EXE")" = win64 ]; then
  echo "the audit is for the 32-bit exe; 64-bit Windows has everything it imports"
  echo "e2e: 0 passed, 0 failed"
  exit 0
fi
exec python3 "$ROOT/tests/e2e/imports.py" i686-w64-mingw32-objdump "$EXE" "$ROOT/res/imports.txt"
