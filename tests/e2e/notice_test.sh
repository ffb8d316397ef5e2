#!/usr/bin/env bash
# The notice as a user sees it: the real executable under Wine on a private
# X display, a screenshot taken during its one-second pause. The notice must
# be centred, banded (black at its outer edges, blue 142 at the top left) and
# carry the white text with the caption for the action; the request must come
# at least a second after the notice is shown, and the window must go after it.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
EXE=${1:-$ROOT/build/win32/endnow.exe}
source "$ROOT/tests/e2e/lib.sh"
PIXELS="python3 $ROOT/tests/e2e/pixels.py"

RELAY="ExitWindowsEx;CreateWindowExA;ShowWindow;UpdateWindow;DestroyWindow;MessageBoxA;CreateFontA;SetTextColor"
SCREEN_W=1024 SCREEN_H=768   # start_display's screen
W=420 H=143                  # the inner area at 96 dpi
X=$(((SCREEN_W - W) / 2)) Y=$(((SCREEN_H - H) / 2))

start_display || exit 1
out=$(scenario notice winxp "$RELAY")

# shoot ARGS...: runs the exe, screenshots the notice while it waits; prints the
# screenshot's path. Leaves the trace beside it and the exit code in $out/rc.
shoot() {
  local name=${1:-none} trace shot runner
  name=${name//\//}
  trace=$out/notice-$name.log
  shot=$out/notice-$name.png
  : >"$trace"
  run_traced "$trace" "$EXE" "$@" &
  runner=$!
  for _ in $(seq 200); do
    exe_calls "$trace" endnow.exe | grep -q 'ShowWindow(' && break
    sleep 0.05
  done
  sleep 0.4  # shown and refreshed; the request is still more than half a second away
  import -window root "$shot"
  wait "$runner"
  echo $? >"$out/rc"
  echo "$shot"
}

rgb() { $PIXELS "$1" at "$2" "$3"; }
white_span() { $PIXELS "$1" span 255,255,255 "$2" "$3" "$4" "$5"; }

declare -A left_of
for args in /S /L "" shutdown; do
  case $args in
    /S) caption="ShutDown !" ;;
    /L) caption="LogOff !" ;;
    "") caption="ReBoot !" ;;
    *) caption="" ;;
  esac
  label="'$args'"
  # shellcheck disable=SC2086
  shot=$(shoot $args)
  trace=${shot%.png}.log
  check "$label: exit code 0" test "$(cat "$out/rc")" -eq 0

  calls=$(exe_calls "$trace" endnow.exe)
  created=$(grep -m1 'CreateWindowExA(' <<<"$calls" | cut -d' ' -f1)
  shown=$(grep -m1 'ShowWindow(' <<<"$calls" | cut -d' ' -f1)
  asked=$(grep -m1 'ExitWindowsEx(' <<<"$calls" | cut -d' ' -f1)
  gone=$(grep -m1 'DestroyWindow(' <<<"$calls" | cut -d' ' -f1)
  # 36 points at 96 dpi is an em of 48 pixels (height -48), bold (700), italic.
  check "$label: font Comic Sans MS, 36 pt, bold, italic" \
    grep -qE 'CreateFontA\(0*ffffffd0,0+,0+,0+,0*2bc,0*1,0+,0+,0+,.*"Comic Sans MS"\)' <<<"$calls"
  check "$label: white text" grep -qE 'SetTextColor\([0-9a-f]+,0*ffffff\)' <<<"$calls"
  check "$label: created, then shown" awk -v a="$created" -v b="$shown" 'BEGIN { exit !(a != "" && b >= a) }'
  check "$label: request at least 1 s after the notice is shown ($shown -> $asked)" \
    awk -v a="$shown" -v b="$asked" 'BEGIN { exit !(a != "" && b - a >= 1.0) }'
  check "$label: window destroyed after the request ($gone)" \
    awk -v a="$asked" -v b="$gone" 'BEGIN { exit !(a != "" && b > a) }'

  # Centred: the inner area starts exactly where centring puts it, inside the frame.
  check "$label: bottom-right corner black" test "$(rgb "$shot" $((X + W - 1)) $((Y + H - 1)))" = "0 0 0"
  check "$label: top-right corner black" test "$(rgb "$shot" $((X + W - 1)) "$Y")" = "0 0 0"
  check "$label: frame just outside the inner area" \
    bash -c '[ "$1" != "0 0 0" ] && [ "$2" != "0 0 0" ]' _ \
    "$(rgb "$shot" $((X + W)) $((Y + H - 1)))" "$(rgb "$shot" $((X + W - 1)) $((Y + H)))"
  blue142=$($PIXELS "$shot" count 0,0,142 "$X" "$Y" 136 1)
  check "$label: top-left band blue 142 where no text covers it ($blue142 of 136)" test "$blue142" -ge 100
  words=$($PIXELS "$shot" count 255,255,255 "$X" "$Y" "$W" 60)
  check "$label: white 'Windows will now' ($words pixels)" test "$words" -ge 500

  status=$(white_span "$shot" "$X" $((Y + 76)) "$W" 50)
  if [ -n "$caption" ]; then
    check "$label: white '$caption' below it ($status)" test "$status" != none
    left_of[x$args]=${status%% *}
  else
    check "$label: no caption" test "$status" = none
  fi
  [ "$args" = /S ] && convert "$shot" -crop $((W + 16))x$((H + 16))+$((X - 8))+$((Y - 8)) +repage "$E2E_DIR/notice.png"
done

# The status label keeps its right edge and grows to the left.
check "status: 'ShutDown !' reaches further left than 'LogOff !' (${left_of[x/S]} < ${left_of[x/L]})" \
  test "${left_of[x/S]}" -lt "${left_of[x/L]}"
echo "     screenshot of the notice: $E2E_DIR/notice.png"

summary
