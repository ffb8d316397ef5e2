#!/usr/bin/env bash
# tools/wine-run.sh win32|win64 PROGRAM [ARGS]: runs a Windows program under
# Wine in the project's own prefix for that kind of program (never ~/.wine:
# under build/wine/, or the folder ENDNOW_PREFIXES names), booting it on first
# use, as the release WINEVERSION names (win98, winxp, win7; win10 when
# unset), and exits with its exit code. After "--", PROGRAM is a host program
# that drives Wine itself, through the WINE and WINETOOL it is given.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine.sh"
use_wine "${1:-}" || exit 1
shift
# Windows need a screen: without one (test.sh always drops the caller's), a
# private X display for this run, and the prefix's Wine session ends with it,
# so that no Wine process outlives it. The display comes first: Wine's desktop
# takes whatever display the prefix's first program finds, for the rest of the
# session, so start_display also ends a session of this prefix still alive.
[ -n "${DISPLAY:-}" ] || { start_display || exit 1; trap 'wineserver -k; kill "$XVFB_PID"' EXIT; }
boot_prefix && set_release "${WINEVERSION:-win10}" || exit 1
export WINEDEBUG=${WINEDEBUG:--all}
if [ "$1" = -- ]; then "${@:2}"; else "$WINE" "$@"; fi
