#!/usr/bin/env bash
# The real executable under Wine, pretending to be several Windows releases:
# it must ask ExitWindowsEx for the right flags, with 0xFFFFFFFF as the
# reason, a second after it starts, and enable the shutdown privilege first on
# the NT family only. Under Wine the request ends only that prefix's session.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
EXE=${1:-$ROOT/build/win32/endnow.exe}
source "$ROOT/tests/e2e/lib.sh"

RELAY="ExitWindowsEx;LookupPrivilegeValueA;OpenProcessToken;AdjustTokenPrivileges;MessageBoxA"

start_display || exit 1

# release, the version it gives a process, then "arguments=expected flags" pairs
if [ "$EXE_ARCH" = win32 ]; then
  scenarios=(
    "win98 4.10_platform_1 =2 /L=0 /S=1 shutdown=0"
    "win2k 5.0_platform_2  =2 /S=8 /p=8"
    "winxp 5.1_platform_2  /S=1 /l=0 s_l=0"
    "win7  6.1_platform_2  /S=8 =2 /x=0"
  )
else
  # 64-bit Windows began with XP x64, release 5.2, which none of the version
  # tests names: it powers off. Wine will not play 98 or 2000 to a 64-bit program.
  scenarios=(
    "winxp64 5.2_platform_2 /S=8 /l=0"
    "win7    6.1_platform_2 /S=8 =2 /x=0"
  )
fi

for scenario in "${scenarios[@]}"; do
  read -r release version cases <<<"$scenario"
  version=${version//_/ }
  out=$(scenario "req-$release" "$release" "$RELAY")
  for case in $cases; do
    args=${case%%=*}
    flags=${case#*=}
    trace=$out/trace-${args//\//_}.log
    # s_l stands for the two tokens "s l".
    # shellcheck disable=SC2086
    run_traced "$trace" "$EXE" ${args//_/ }
    calls=$(exe_calls "$trace" endnow.exe)
    label="$release '${args//_/ }'"
    saw=$(exe_release "$trace" endnow.exe)
    check "$label: the exe saw release $version (got '$saw')" test "$saw" = "$version"
    exit_call=$(grep -m1 'ExitWindowsEx(' <<<"$calls")
    check "$label: ExitWindowsEx($flags,ffffffff)" grep -qE "ExitWindowsEx\(0*$flags,0*ffffffff\)" <<<"$exit_call"
    check "$label: exactly one request" test "$(grep -c 'ExitWindowsEx(' <<<"$calls")" -eq 1
    check "$label: no error shown" test -z "$(grep 'MessageBoxA(' <<<"$calls")"

    started=$(exe_loaded_at "$trace" endnow.exe)
    asked=${exit_call%% *}
    check "$label: request at least 1 s after start ($started -> $asked)" \
      awk -v a="$started" -v b="$asked" 'BEGIN { exit !(b - a >= 1.0) }'

    before=$(sed '/ExitWindowsEx(/,$d' <<<"$calls")
    if [ "${version##* }" = 2 ]; then
      check "$label: privilege looked up, token opened (0x28), adjusted before the request" \
        bash -c 'grep -qE "LookupPrivilegeValueA\(0+,[0-9a-f]* \"SeShutdownPrivilege\"" <<<"$1" &&
                 grep -qE "OpenProcessToken\(f{8,16},0*28," <<<"$1" &&
                 grep -qE "AdjustTokenPrivileges\([0-9a-f]*,0+,[0-9a-f]*,0*10," <<<"$1"' _ "$before"
    else
      check "$label: no privilege step on 9x" \
        test -z "$(grep -E 'LookupPrivilegeValueA|OpenProcessToken|AdjustTokenPrivileges' <<<"$calls")"
    fi
  done
done

summary
