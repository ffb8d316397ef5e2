#!/usr/bin/env bash
# A refused request, end to end: Wine's ExitWindowsEx hands the end of the
# session to wineboot, and fails when it cannot start it. The user must see
# the numbered error under the name the executable was run as, with the
# system's text for the code ExitWindowsEx left, and the process must exit
# with 1 once the message is dismissed.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
EXE=${1:-$ROOT/build/win32/endnow.exe}
SYSTEM_TEXT=$(dirname "$EXE")/tests/system_text.exe
source "$ROOT/tests/e2e/lib.sh"

start_display || exit 1
out=$(scenario fail-xp winxp "ExitWindowsEx;MessageBoxA;FormatMessageA")
cp "$EXE" "$out/tool.exe"
# Bring the desktop up first: without wineboot nothing else starts it in time.
WINEDEBUG=-all "$WINETOOL" cmd /c exit >/dev/null 2>&1

# wineboot is put aside for this run only, and back whatever happens.
hidden=()
restore() {
  local f
  for f in "${hidden[@]}"; do mv -f "$f.away" "$f"; done
  e2e_cleanup
}
trap restore EXIT
for f in "$WINEPREFIX"/drive_c/windows/{system32,syswow64}/wineboot.exe; do
  [ -f "$f" ] && mv "$f" "$f.away" && hidden+=("$f")
done

trace=$out/trace.log
run_traced "$trace" "$out/tool.exe" /S &
runner=$!

shown=
for _ in $(seq 600); do
  shown=$(exe_calls "$trace" tool.exe | grep -m1 'MessageBoxA(')
  [ -n "$shown" ] && break
  sleep 0.1
done
check "the error is shown" test -n "$shown"
echo "     $shown"
sleep 0.5
shot=$out/shot.png
import -window root "$shot"
check "request refused first" grep -q "Ret  user32.ExitWindowsEx() retval=00000000" "$trace"
check "number in decimal and hex, source from the running name" \
  grep -q '"Error -2147219925 (0x8004062B) in tool.mShutDown\\r\\n\\r\\nShutdownSystem failed: ' <<<"$shown"
# The code the exe read right after the refusal is the one it asked the text of.
code=$(exe_calls "$trace" tool.exe | sed -n '/ExitWindowsEx(/,$p' | grep -m1 'FormatMessageA(' |
  sed -E 's/.*FormatMessageA\([0-9a-f]+,[0-9a-f]+,([0-9a-f]+),.*/\1/')
text=$(WINEDEBUG=-all "$WINE" "$SYSTEM_TEXT" "0x${code:-0}" 2>/dev/null)
check "the system's text for code 0x$code ('$text')" \
  bash -c '[ -n "$2" ] && grep -qF "ShutdownSystem failed: $2\"" <<<"$1"' _ "$shown" "$text"
check "titled with the program's name, error icon" grep -qE ',[0-9a-f]+ "tool",00010010\)' <<<"$shown"

# The notice stays up under the message: both centred on the 1024 x 768 screen,
# the message box the smaller in height, so the notice's top and bottom bands show.
PIXELS="python3 $ROOT/tests/e2e/pixels.py"
X=302 Y=312 W=420 H=143
centre=$($PIXELS "$shot" at 512 384)
check "the message box covers the notice's centre ($centre)" \
  awk -v c="$centre" 'BEGIN { split(c, v, " "); exit !(v[1] > 128 && v[2] > 128) }'
check "the notice still shows around it: bottom-right band black" \
  test "$($PIXELS "$shot" at $((X + W - 1)) $((Y + H - 1)))" = "0 0 0"
check "the notice still shows around it: top-left band blue 142" \
  test "$($PIXELS "$shot" count 0,0,142 $X $Y 20 1)" -ge 15

# Dismiss it as a user would, with the Enter key.
for _ in $(seq 40); do
  kill -0 "$runner" 2>/dev/null || break
  xdotool search --name '^tool$' >/dev/null 2>&1 && xdotool key Return
  sleep 0.5
done
wait "$runner"
code=$?
check "exit code 1 after the message is dismissed (got $code)" test "$code" -eq 1

summary
