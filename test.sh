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

# gtest_phase NAME COMMAND...: a GoogleTest suite, counted from its summary.
gtest_phase() {
  local name=$1 out=$log/$1.txt code
  shift
  echo "== unit tests, ${name#unit-} build under Wine"
  "$@" >"$out" 2>&1
  code=$?
  grep -E '\[  (PASSED|FAILED)  \]|tests? from .* ran' "$out" | tail -8
  tally "$out" "$(last "$out" '.*\[  PASSED  \] ([0-9]+) tests?.*')" \
    "$(last "$out" '.*\[  FAILED  \] ([0-9]+) tests?, listed below.*')" "$code"
}

# e2e NAME COMMAND...: an end-to-end script, counted from its summary line.
e2e() {
  local name=$1 out=$log/$1.txt code
  shift
  echo "== end to end: $name"
  "$@" >"$out" 2>&1
  code=$?
  grep -v '^ok ' "$out"
  tally "$out" "$(last "$out" '^e2e: ([0-9]+) passed.*')" \
    "$(last "$out" '^e2e: [0-9]+ passed, ([0-9]+) failed.*')" "$code"
}

# Formatting first: each file that clang-format or black would change, or
# that shellcheck warns about, is one failure.
echo "== formatting: clang-format, black, shellcheck -S warning"
mapfile -t unformatted < <(tools/format.sh --check)
for f in "${unformatted[@]}"; do
  echo "!! not formatted (tools/format.sh formats it), or shellcheck warns: $f"
done
checked=$(git ls-files '*.cpp' '*.h' '*.py' '*.sh' .ci/run | wc -l)
tally format $((checked - ${#unformatted[@]})) ${#unformatted[@]} 0

echo "== unit tests, native"
if cmake --preset host >/dev/null && cmake --build --preset host >"$log/host-build.txt" 2>&1; then
  ctest --preset host >"$log/host.txt" 2>&1
  code=$?
  tail -3 "$log/host.txt"
  total=$(last "$log/host.txt" '.*tests passed, [0-9]+ tests failed out of ([0-9]+).*')
  bad=$(last "$log/host.txt" '.*tests passed, ([0-9]+) tests failed out of [0-9]+.*')
  tally host "$(( ${total:-0} - ${bad:-0} ))" "$bad" "$code"
else
  tail -20 "$log/host-build.txt"
  tally host-build 0 1 1
fi

builds_ok=1
for arch in win32 win64; do
  if ! "build_$arch" >"$log/build-$arch.txt" 2>&1; then
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
  if decide_win32; then
    echo "== 32-bit exe: $ENDNOW_WIN32_NOTE"
    gtest_phase unit-win32 ctest --preset win32 --verbose
    e2e exe-win32 bash tools/wine-run.sh win32 -- \
      python3 tests/e2e/e2e.py run build/win32/endnow.exe win32
    gtest_phase unit-win64 ctest --preset win64 --verbose
    e2e exe-win64 bash tools/wine-run.sh win64 -- \
      python3 tests/e2e/e2e.py run build/win64/endnow.exe win64
  else
    echo "!! the 32-bit exe could not be run under Wine on this machine (above):" \
      "every Wine test fails"
    tally "32-bit exe" 0 1 1
  fi
  echo "exe: build/win32/endnow.exe $(stat -c %s build/win32/endnow.exe) bytes," \
    "build/win64/endnow.exe $(stat -c %s build/win64/endnow.exe) bytes"

  # The release, and what tests/e2e/release.py compares it with: the same as version 1.9.0 to
  # upgrade from, signed with a throwaway certificate, and made again in a copy of the tree as
  # it stands (committed or not) at another path. Each MSI installs in a prefix of its own.
  echo "== release: tools/release.sh"
  out=build/release
  rm -rf "$out" build/wine/msi
  mkdir -p "$out/copy"
  if ! {
    tools/release.sh && ENDNOW_VERSION=1.9.0 ENDNOW_DIST=$out/old tools/release.sh &&
      openssl req -x509 -newkey rsa:2048 -nodes -days 7 -subj "/CN=EndNow test" \
        -addext extendedKeyUsage=codeSigning -keyout "$out/key.pem" -out "$out/cert.pem" &&
      openssl pkcs12 -export -inkey "$out/key.pem" -in "$out/cert.pem" -passout pass:x \
        -out "$out/sign.pfx" &&
      SIGN_PFX=$out/sign.pfx SIGN_PASSWORD=x ENDNOW_DIST=$out/signed tools/release.sh &&
      git clone -q --shared . "$out/copy" &&
      git ls-files -co --exclude-standard | tar -c --ignore-failed-read -T - | tar -x -C "$out/copy" &&
      "$out/copy/tools/release.sh"
  } >"$log/release.txt" 2>&1; then
    tail -20 "$log/release.txt"
    tally release 0 1 1
  fi
  e2e release-files /usr/bin/python3 tests/e2e/release.py files
  for pair in win32:x86 win64:x64; do
    e2e "release-${pair#*:}" env ENDNOW_PREFIXES="$PWD/build/wine/msi" WINEVERSION=win7 \
      WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
      bash tools/wine-run.sh "${pair%:*}" -- /usr/bin/python3 tests/e2e/release.py "${pair#*:}"
  done
fi

echo "disk under build/: $(du -sh build 2>/dev/null | cut -f1)"
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
