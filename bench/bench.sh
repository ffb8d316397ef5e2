#!/usr/bin/env bash
# bench/bench.sh [RUNS]: under Wine, the time from process start to the
# ExitWindowsEx call (relay-trace timestamps of the process's own thread) for
# endnow.exe /L and two floor programs, interleaved, RUNS times each
# (default 9). Prints the medians, the ratio of the exe to the bare-window
# floor, the exe's size and the most GDI brushes it had alive at once.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-9}
cd "$ROOT"
source "$ROOT/tools/setup.sh"
source "$ROOT/tools/wine.sh"
ensure_tools

# ARCH=win64 times the 64-bit twin instead of the 32-bit exe.
arch=${ARCH:-win32}
"build_$arch" >/dev/null
EXE=$ROOT/build/$arch/endnow.exe
use_wine "$arch"

out=$ROOT/build/bench
mkdir -p "$out"
triple=i686-w64-mingw32
[ "$arch" = win64 ] && triple=x86_64-w64-mingw32
flags=(-Os -s -static -mwindows -o)
"$triple-g++-win32" "$ROOT/bench/floor.cpp" "${flags[@]}" "$out/floor_sleep.exe"
"$triple-g++-win32" -DWINDOW "$ROOT/bench/floor.cpp" "${flags[@]}" "$out/floor_window.exe"
cp "$EXE" "$out/endnow.exe"

start_display
boot_prefix
set_release win7
relay='HKCU\Software\Wine\Debug'
wine_reg "$relay" RelayInclude REG_SZ "ExitWindowsEx;CreateSolidBrush;DeleteObject"
restore() {
  wine_reg "$relay" RelayInclude REG_SZ ""
  set_release win10
  wineserver -k
  kill "$XVFB_PID"
}
trap restore EXIT

# run NAME: the program traced into its log, its module loads and calls timed.
run() {
  WINEDEBUG=+relay,+timestamp,+loaddll timeout 180 "$WINE" "$out/$1.exe" /L 2>"$out/$1.log" || true
}
# One untimed run each warms Wine's caches (fonts, the desktop).
for p in endnow floor_sleep floor_window; do run "$p"; done

# seconds NAME: process start (its module loaded) to the ExitWindowsEx call of that thread.
seconds() {
  run "$1" >/dev/null 2>&1
  awk -v exe="\\\\$1.exe\"" '
    !thread && /loaddll:build_module Loaded L"/ && index($0, exe) {
      split($0, f, ":")
      start = f[1]
      thread = f[2]
    }
    thread && index($0, ":" thread ":Call user32.ExitWindowsEx(") {
      split($0, f, ":")
      printf "%.3f\n", f[1] - start
      exit
    }
  ' "$out/$1.log"
}

# Each round starts with the next program, so none always runs right after
# the same one (each run's log-off restarts the prefix's desktop and services).
programs=(endnow floor_sleep floor_window)
declare -A times
for round in $(seq "$runs"); do
  for k in 0 1 2; do
    p=${programs[$(((round + k) % 3))]}
    times[$p]+="$(seconds "$p") "
  done
done

median() {
  tr ' ' '\n' <<<"$1" | grep . | sort -n |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Brushes alive: created by CreateSolidBrush, gone when DeleteObject succeeds on them.
brushes=$(grep -aE ':(Call|Ret) +gdi32\.(CreateSolidBrush|DeleteObject)' "$out/endnow.log" | awk '
  /Ret +gdi32.CreateSolidBrush/ {
    match($0, /retval=[0-9a-f]+/)
    alive[substr($0, RSTART + 7, RLENGTH - 7)] = 1
    if (++n > most) most = n
  }
  /Call gdi32.DeleteObject/ {
    match($0, /DeleteObject\([0-9a-f]+/)
    h = substr($0, RSTART + 13, RLENGTH - 13)
    if (h in alive) {
      delete alive[h]
      n--
    }
  }
  END { print most + 0 }')

echo "runs: $runs each, interleaved in rotating order, under Wine" \
  "($arch; 32-bit exe: $ENDNOW_WIN32_NOTE) on Xvfb"
for p in endnow floor_sleep floor_window; do
  printf '%-13s median %s s   (%s)\n' "$p" "$(median "${times[$p]}")" "${times[$p]% }"
done
awk -v e="$(median "${times[endnow]}")" -v w="$(median "${times[floor_window]}")" \
  'BEGIN { printf "ratio endnow / bare-window floor: %.3f (goal: at most 1.02)\n", e / w }'
echo "exe size: $(stat -c %s "$EXE") bytes ($arch)"
echo "most GDI brushes alive at once: $brushes" \
  "(the window class's background, and one band at a time)"
