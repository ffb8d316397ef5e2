#!/usr/bin/env bash
# The notice at the screen's logical resolution: the window tests of the unit
# suite run with the prefix set to 96 and then to 144 dpi, and must find the inner area
# and labels at that resolution (420 x 143 and 630 x 214 pixels).
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
EXE=${1:-$ROOT/build/win32/endnow.exe}
SUITE=$(dirname "$EXE")/tests/endnow_tests.exe
source "$ROOT/tests/e2e/lib.sh"

start_display || exit 1

# The prefix is shared: its resolution goes back to 96 dpi whatever happens.
set_dpi() {
  wine_reg 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD "$1"
  wineserver -w  # read afresh by the next Wine session
}
trap 'set_dpi 96; e2e_cleanup' EXIT

for dpi in 96 144; do
  dir=$(scenario "dpi-$dpi" win7 "")
  set_dpi "$dpi"
  out=$dir/suite.txt
  WINEDEBUG=-all ENDNOW_EXPECT_DPI=$dpi timeout 300 "$WINE" "$SUITE" \
    --gtest_filter='Form1Test.*' >"$out" 2>&1
  code=$?
  check "$dpi dpi: the window tests pass (exit $code; $(grep -oE '[0-9]+ tests? from [0-9]+ test suites? ran' "$out"))" \
    test "$code" -eq 0
  [ "$code" -eq 0 ] || grep -E 'Failure|Expected|Which is|FAILED' "$out" | head -20
done

summary
