#!/usr/bin/env bash
# Started with its path unquoted and holding spaces, as a Run key or a
# scheduled task starts it: the whole path is the program's name, so no
# argument still restarts ("ReBoot !"), and /L still logs off.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
EXE=${1:-$ROOT/build/win32/endnow.exe}
LAUNCH=$(dirname "$EXE")/tests/launch.exe
source "$ROOT/tests/e2e/lib.sh"

start_display || exit 1
out=$(scenario unquoted win7 "ExitWindowsEx;GetTextExtentPoint32W")
folder="$WINEPREFIX/drive_c/Program Files/EndNow"
mkdir -p "$folder"
cp "$EXE" "$folder/endnow.exe"
trap 'rm -rf "$folder"; e2e_cleanup' EXIT

for case in "=2=ReBoot !" "/L=0=LogOff !"; do
  IFS== read -r args flags caption <<<"$case"
  trace=$out/trace${args//\//_}.log
  # shellcheck disable=SC2086
  run_traced "$trace" "$LAUNCH" 'C:\Program Files\EndNow\endnow.exe' $args
  code=$?
  calls=$(exe_calls "$trace" endnow.exe)
  label="unquoted path with spaces, '${args}'"
  check "$label: exit code 0 (got $code)" test "$code" -eq 0
  check "$label: ExitWindowsEx($flags,ffffffff)" grep -qE "ExitWindowsEx\(0*$flags,0*ffffffff\)" <<<"$calls"
  check "$label: caption '$caption'" grep -qF "L\"$caption\"" <<<"$calls"
done

summary
