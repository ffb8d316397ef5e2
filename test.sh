#!/usr/bin/env bash
# Builds everything and runs every test: the unit suite natively (sanitizers
# on) and cross-built under Wine, then the real executable end to end under
# Wine on a private X display.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
source ./tools.sh
ensure_tools

log=build/test-logs
mkdir -p "$log"

echo "== unit tests, native"
cmake --preset host >/dev/null
cmake --build --preset host >/dev/null
ctest --preset host 2>&1 | tee "$log/host.txt" | tail -3
host=$(grep -oE 'tests passed, 0 tests failed out of [0-9]+' "$log/host.txt" | grep -oE '[0-9]+$')

echo "== unit tests, Windows build under Wine"
build_win32 >/dev/null
ctest --preset win32 --verbose >"$log/win32.txt" 2>&1 || { tail -40 "$log/win32.txt"; exit 1; }
tail -3 "$log/win32.txt"
wine=$(grep -oE '\[  PASSED  \] [0-9]+ tests' "$log/win32.txt" | grep -oE '[0-9]+')

echo "== end to end, the real endnow.exe under Wine"
e2e=0
for t in tests/e2e/*_test.sh; do
  bash "$t" | tee "$log/$(basename "$t" .sh).txt" | grep -v '^ok ' || true
  [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "$t failed"; exit 1; }
  n=$(grep -oE '^e2e: [0-9]+ passed' "$log/$(basename "$t" .sh).txt" | grep -oE '[0-9]+')
  e2e=$((e2e + n))
done

echo "exe: $(stat -c %s build/win32/endnow.exe) bytes"
echo "all: $((host + wine + e2e)) passed, 0 failed"
