#!/usr/bin/env bash
# Builds everything and runs every test: the unit suite natively (sanitizers
# on) and cross-built under Wine, then the real executable end to end under
# Wine on a private X display.
#
# The 32-bit exe is the product. Its 64-bit twin is built and tested too; on a
# machine whose kernel runs no 32-bit code at all, where 32-bit Wine cannot
# start, the twin takes the 32-bit exe's place in every Wine run, and this
# script says so.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
source ./tools.sh
ensure_tools

log=build/test-logs
mkdir -p "$log"
total=0

# count FILE PATTERN: the number the sed pattern captures from FILE; a missing count ends the run.
count() {
  local n
  n=$(sed -nE "s/$2/\1/p" "$1" | tail -1)
  [[ $n =~ ^[0-9]+$ ]] || { echo "no test count in $1" >&2; exit 1; }
  echo "$n"
}

# unit_wine ARCH: the cross-built suite under Wine.
unit_wine() {
  echo "== unit tests, $1 build under Wine"
  ctest --preset "$1" --verbose >"$log/$1.txt" 2>&1 || { tail -40 "$log/$1.txt"; exit 1; }
  tail -3 "$log/$1.txt"
  n=$(count "$log/$1.txt" '.*\[  PASSED  \] ([0-9]+) tests?.*')
  total=$((total + n))
}

# e2e EXE TEST...: end-to-end scripts against one executable.
e2e() {
  local exe=$1 t name n
  shift
  for t in "$@"; do
    name=$(basename "$t" .sh)-$(pe_arch "$exe")
    echo "== end to end: $(basename "$t" .sh), $exe"
    bash "$t" "$exe" | tee "$log/$name.txt" | grep -v '^ok ' || true
    [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "$t failed"; exit 1; }
    n=$(count "$log/$name.txt" '^e2e: ([0-9]+) passed.*')
    total=$((total + n))
  done
}

echo "== unit tests, native"
cmake --preset host >/dev/null
cmake --build --preset host >/dev/null
ctest --preset host 2>&1 | tee "$log/host.txt" | tail -3
total=$(count "$log/host.txt" '.*tests passed, 0 tests failed out of ([0-9]+).*')

echo "== fuzzing the reader and the action choice"
bash tests/fuzz/run.sh 30 | tee "$log/fuzz.txt" | tail -1

build_win32 >/dev/null
build_win64 >/dev/null
# Checks of the built file itself, and checks that run it under Wine.
file_e2e=(tests/e2e/resources_test.sh tests/e2e/imports_test.sh tests/e2e/reproducible_test.sh)
wine_e2e=(tests/e2e/request_test.sh tests/e2e/notice_test.sh tests/e2e/failure_test.sh tests/e2e/dpi_test.sh)

e2e build/win32/endnow.exe "${file_e2e[@]}"
if can_run_win32; then
  unit_wine win32
  e2e build/win32/endnow.exe "${wine_e2e[@]}"
  unit_wine win64
  e2e build/win64/endnow.exe tests/e2e/request_test.sh
else
  echo "!! this machine runs no 32-bit code (its kernel's IA-32 emulation is off), so 32-bit"
  echo "!! Wine cannot start: the 32-bit exe is built and checked as a file, and the"
  echo "!! 64-bit build of the same sources runs every Wine test in its place."
  unit_wine win64
  e2e build/win64/endnow.exe "${wine_e2e[@]}"
fi

echo "exe: build/win32/endnow.exe $(stat -c %s build/win32/endnow.exe) bytes," \
  "build/win64/endnow.exe $(stat -c %s build/win64/endnow.exe) bytes"
echo "all: $total passed, 0 failed"
