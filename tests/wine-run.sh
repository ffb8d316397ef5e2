#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own scratch 32-bit
# prefix (never ~/.wine), creating the prefix on first use.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${ENDNOW_WINEPREFIX:-$here/build/wine/unit}
export WINEARCH=${WINEARCH:-win32}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
exec wine "$@"
