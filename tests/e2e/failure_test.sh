#!/usr/bin/env bash
# A refused request, end to end: in a prefix without Wine's session manager
# ExitWindowsEx fails. The user must see the numbered error under the name
# the executable was run as, and the process must exit with 1 once the
# message is dismissed.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
EXE=${1:-$ROOT/build/win32/endnow.exe}
source "$ROOT/tests/e2e/lib.sh"

start_display || exit 1
make_base_prefix
prefix=$(new_prefix fail-xp winxp "ExitWindowsEx;MessageBoxA")
rm -f "$prefix/drive_c/windows/system32/wineboot.exe"
cp "$EXE" "$prefix/drive_c/tool.exe"
# Bring the desktop up first: without wineboot nothing else starts it in time.
WINEPREFIX=$prefix WINEDEBUG=-all "$WINE" cmd /c exit >/dev/null 2>&1

trace=$prefix/trace.log
run_traced "$prefix" "$trace" "$prefix/drive_c/tool.exe" /S &
runner=$!

shown=
for _ in $(seq 300); do
  shown=$(exe_calls "$trace" tool.exe | grep -m1 'MessageBoxA(')
  [ -n "$shown" ] && break
  sleep 0.1
done
check "the error is shown" test -n "$shown"
echo "     $shown"
sleep 0.5
shot=$prefix/shot.png
import -window root "$shot"
check "request refused first" grep -q "Ret  user32.ExitWindowsEx() retval=00000000" "$trace"
check "number in decimal and hex, source from the running name" \
  grep -q '"Error -2147219925 (0x8004062B) in tool.mShutDown\\r\\n\\r\\nShutdownSystem failed: ' <<<"$shown"
# Wine leaves ERROR_INVALID_FUNCTION when it cannot start its session manager.
check "the system's text for the captured code" grep -q 'ShutdownSystem failed: Invalid function.\\r\\n"' <<<"$shown"
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
for _ in $(seq 20); do
  kill -0 "$runner" 2>/dev/null || break
  xdotool search --name '^tool$' >/dev/null 2>&1 && xdotool key Return
  sleep 0.5
done
wait "$runner"
code=$?
check "exit code 1 after the message is dismissed (got $code)" test "$code" -eq 1

summary
