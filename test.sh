#!/usr/bin/env bash
# Builds everything and runs every test: the unit suite natively (sanitizers
# on) and cross-built under Wine, then the real 32-bit executable end to end
# under Wine, and its 64-bit twin beside it, each Wine run on an X display
# of its own, whether or not the caller has one.
#
# Where the kernel runs no 32-bit code, the 32-bit programs run under qemu
# user-mode emulation (tools/wine.sh); where they cannot run at all, the run fails.
# Every phase counts its passes and failures; the closing line adds them up,
# and the exit code is non-zero when anything failed.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")" || exit 1
# No test may put a window on the caller's screen, nor press a key there: with
# no display to inherit, tools/wine-run.sh gives each Wine run a private one.
unset DISPLAY XAUTHORITY WAYLAND_DISPLAY
source ./tools/setup.sh
source ./tools/wine.sh
ensure_tools || exit 1
as_owner ./test.sh "$@" || exit 1
unset WINEVERSION  # the tests choose their releases themselves

log=build/test-logs
mkdir -p "$log"
passed=0
failed=0
installing=()

# tally LOG PASSED FAILED CODE: adds a phase's counts. A phase that failed
# without counting a failure, or counted nothing at all, counts as one failure.
tally() {
  local p=${2:-0} f=${3:-0}
  [[ $p =~ ^[0-9]+$ ]] || p=0
  [[ $f =~ ^[0-9]+$ ]] || f=0
  if [ "$4" -ne 0 ] && [ "$f" -eq 0 ] || [ $((p + f)) -eq 0 ]; then
    echo "!! $1: exit code $4, $p passed, $f failed: counted as one failure"
    f=$((f + 1))
  fi
  passed=$((passed + p))
  failed=$((failed + f))
}

# last LOG PATTERN: the number the sed pattern captures last in LOG.
last() { sed -nE "s/$2/\1/p" "$1" | tail -1; }

# timed NAME TITLE COMMAND...: runs a phase's command into build/test-logs/NAME.txt, then heads
# its report with how long it took; its exit code is left in $code.
timed() {
  local name=$1 title=$2 start=$SECONDS
  shift 2
  "$@" >"$log/$name.txt" 2>&1
  code=$?
  echo "== $title ($((SECONDS - start)) s)"
}

# gtest_phase NAME COMMAND...: a GoogleTest suite, counted from its summary.
gtest_phase() {
  local name=$1 out=$log/$1.txt
  shift
  timed "$name" "unit tests, ${name#unit-} build under Wine" "$@"
  grep -E '\[  (PASSED|FAILED)  \]|tests? from .* ran' "$out" | tail -8
  tally "$out" "$(last "$out" '.*\[  PASSED  \] ([0-9]+) tests?.*')" \
    "$(last "$out" '.*\[  FAILED  \] ([0-9]+) tests?, listed below.*')" "$code"
}

# counted NAME: the log of an end-to-end script, whose exit code is in $code, counted from its
# summary line.
counted() {
  local out=$log/$1.txt
  grep -v '^ok ' "$out"
  tally "$out" "$(last "$out" '^e2e: ([0-9]+) passed.*')" \
    "$(last "$out" '^e2e: [0-9]+ passed, ([0-9]+) failed.*')" "$code"
}

# e2e NAME COMMAND...: an end-to-end script.
e2e() {
  timed "$1" "end to end: $1" "${@:2}"
  counted "$1"
}

# fresh NAME: a folder for a phase's Wine prefixes, emptied: each phase's prefix is a fresh copy
# of the booted one of its kind (tools/wine.sh), which no other test has written to.
fresh() {
  rm -rf "build/wine/tests/$1"
  echo "$PWD/build/wine/tests/$1"
}

# Formatting: one check, naming each file that clang-format or black would change, that has a
# line over 100 columns, or that shellcheck warns about.
timed format "formatting: clang-format, black, shellcheck -S warning, 100 columns" \
  tools/format.sh --check
sed 's/^/!! not formatted (tools\/format.sh formats it), or warned about: /' "$log/format.txt"
tally format $((code == 0)) $((code != 0)) 0

# The release's address, an example: tools/release.sh writes the package managers' manifests
# for it, and tests/e2e/release.py checks them against it.
release_version=$(sed -nE 's/^project\(EndNow VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
export ENDNOW_RELEASE_URL=https://example.org/endnow/$release_version/

# Beside the builds, where no check can be slowed by them: the Wine prefixes' boot, and the
# release's copy of the tree, which builds in a folder of its own.
rm -rf build/release
tools/release-fixtures.sh copy >"$log/release-copy.txt" 2>&1 &
copying=$!
if decide_win32; then
  boot=$(fresh boot)
  (for kind in win32 win64; do
    ENDNOW_PREFIXES=$boot bash tools/wine-run.sh "$kind" -- true || exit 1
  done) >"$log/boot.txt" 2>&1 &
  booting=$!
fi

timed host "unit tests, native" eval 'cmake --preset host && cmake --build --preset host &&
  ctest --preset host'
tail -3 "$log/host.txt"
total=$(last "$log/host.txt" '.*tests passed, [0-9]+ tests failed out of ([0-9]+).*')
bad=$(last "$log/host.txt" '.*tests passed, ([0-9]+) tests failed out of [0-9]+.*')
tally host "$((${total:-0} - ${bad:-0}))" "$bad" "$code"

builds_ok=1
for arch in win32 win64; do
  timed "build-$arch" "build, $arch" "build_$arch"
  if [ "$code" -ne 0 ]; then
    tail -20 "$log/build-$arch.txt"
    tally "build-$arch" 0 1 1
    builds_ok=0
  fi
done

if [ "$builds_ok" -eq 1 ]; then
  # The built files' own rules, which the build has already held them to, counted here.
  e2e files-win32 /usr/bin/python3 tools/check_exe.py build/win32/endnow.exe win32
  e2e files-win64 /usr/bin/python3 tools/check_exe.py build/win64/endnow.exe win64

  # Everything that runs under Wine runs the 32-bit exe; where it cannot run, that is a failure.
  if [ -n "${booting:-}" ]; then
    timed boot-wait "Wine prefixes: win32 and win64 booted" wait "$booting"
    [ "$code" -eq 0 ] || { tail -5 "$log/boot.txt"; tally boot 0 1 1; }
    rm -rf "$boot"
    echo "== 32-bit exe: $ENDNOW_WIN32_NOTE"
    ENDNOW_PREFIXES=$(fresh unit-win32) gtest_phase unit-win32 ctest --preset win32 --verbose
    ENDNOW_PREFIXES=$(fresh exe-win32) e2e exe-win32 bash tools/wine-run.sh win32 -- \
      python3 tests/e2e/e2e.py run build/win32/endnow.exe win32
    ENDNOW_PREFIXES=$(fresh unit-win64) gtest_phase unit-win64 ctest --preset win64 --verbose
    ENDNOW_PREFIXES=$(fresh exe-win64) e2e exe-win64 bash tools/wine-run.sh win64 -- \
      python3 tests/e2e/e2e.py run build/win64/endnow.exe win64
  else
    echo "!! the 32-bit exe could not be run under Wine on this machine (above):" \
      "every Wine test fails"
    tally "32-bit exe" 0 1 1
  fi
  echo "exe: build/win32/endnow.exe $(stat -c %s build/win32/endnow.exe) bytes," \
    "build/win64/endnow.exe $(stat -c %s build/win64/endnow.exe) bytes"

  # The release, and what tests/e2e/release.py compares it with (tools/release-fixtures.sh).
  release() { tools/release.sh && tools/release-fixtures.sh signed && wait "$copying"; }
  timed release "release: tools/release.sh, signed, and the copy's (begun beside the builds)" \
    release
  if [ "$code" -ne 0 ]; then
    tail -n 20 "$log/release.txt" "$log/release-copy.txt"
    tally release 0 1 1
  fi
  e2e release-files /usr/bin/python3 tests/e2e/release.py files
  # The packages under Wine side by side, each in a prefix and on a display of its own:
  # release.py times nothing, so neither can fail for the other's load.
  start=$SECONDS
  for pair in win32:x86 win64:x64; do
    ENDNOW_PREFIXES=$(fresh "release-${pair#*:}") WINEVERSION=win7 \
      WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" bash tools/wine-run.sh \
      "${pair%:*}" -- /usr/bin/python3 tests/e2e/release.py "${pair#*:}" \
      >"$log/release-${pair#*:}.txt" 2>&1 &
    installing+=($!)
  done
  for arch in x86 x64; do
    wait "${installing[0]}"
    code=$?
    installing=("${installing[@]:1}")
    echo "== end to end: release-$arch, beside the other ($((SECONDS - start)) s)"
    counted "release-$arch"
  done
  # Every prefix the tests booted or copied: no link under drive_c leads out of it.
  mapfile -t prefixes < <(find build/wine/base build/wine/tests -name system.reg -printf '%h\n' |
    sort)
  e2e prefixes /usr/bin/python3 tools/prefix.py check "${prefixes[@]}"
fi

wait # for what runs beside the rest, when a failed build left it running
echo "disk under build/: $(du -sh build 2>/dev/null | cut -f1) ($(du -sh build/wine 2>/dev/null |
  cut -f1) of it Wine's prefixes)"
echo "time: $SECONDS s"
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
