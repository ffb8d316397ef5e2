#!/usr/bin/env bash
# The exe's size bar, and no exception runtime in it: the linker's map of the
# build names no unwinder, personality routine or throw.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
EXE=${1:-$ROOT/build/win32/endnow.exe}
MAP=$(dirname "$EXE")/endnow.map
LIMIT=36864  # 36 KiB
passes=0 failures=0
check() {
  local what=$1; shift
  if "$@"; then passes=$((passes + 1)); echo "ok   - $what"; else failures=$((failures + 1)); echo "FAIL - $what"; fi
}
size=$(stat -c %s "$EXE")
check "$EXE: $size bytes, at most $LIMIT" test "$size" -le "$LIMIT"
check "a link map beside it" test -s "$MAP"
runtime=$(grep -oE '\b(_Unwind_[A-Za-z_]+|__gxx_personality[a-z0-9_]*|__cxa_throw|__cxa_allocate_exception)\b' "$MAP" | sort -u)
check "no exception runtime in the map (${runtime//$'\n'/ })" test -z "$runtime"
echo "e2e: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
