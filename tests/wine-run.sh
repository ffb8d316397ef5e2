#!/usr/bin/env bash
# wine-run.sh win32|win64 PROGRAM [ARGS]: runs a Windows program under Wine in
# the project's own scratch prefix for that architecture (never ~/.wine),
# creating the prefix on first use.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$here/tools.sh"
use_wine "$1"
shift
export WINEPREFIX=${ENDNOW_WINEPREFIX:-$here/build/wine/unit-$WINEARCH}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  "$WINE" wineboot -i >/dev/null 2>&1
  wineserver -w
fi
exec "$WINE" "$@"
