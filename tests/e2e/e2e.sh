#!/usr/bin/env bash
# e2e.sh EXE: the end-to-end cases of e2e.py for one executable, under Wine in
# the project's prefix for its kind, on a private X display.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tools.sh"
arch=$(pe_arch "$1")
use_wine "$arch" && start_display && boot_prefix || exit 1
# The prefix is shared: what the cases change goes back, whatever happens.
trap 'set_release win10; wine_reg "HKCU\Control Panel\Desktop" LogPixels REG_DWORD 96
  wine_reg "HKCU\Software\Wine\Debug" RelayInclude REG_SZ ""; wineserver -k; kill "$XVFB_PID"' EXIT
WINE=$WINE WINETOOL=$WINETOOL python3 "$root/tests/e2e/e2e.py" run "$1" "$arch"
