#!/usr/bin/env bash
# wine-run.sh win32|win64 PROGRAM [ARGS]: runs a Windows program under Wine in
# the project's own prefix for that kind of program (never ~/.wine), booting
# it on first use, as Windows 10.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../tools.sh"
use_wine "$1" || exit 1
shift
# The window tests need a screen: without one, a private X display for this
# run, and the prefix's Wine session ends with it, so that no Wine process
# outlives the display it was started on.
[ -n "${DISPLAY:-}" ] || { start_display || exit 1; trap 'wineserver -k; kill "$XVFB_PID"' EXIT; }
boot_prefix
set_release win10
WINEDEBUG=${WINEDEBUG:--all} "$WINE" "$@"
