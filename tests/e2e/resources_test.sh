#!/usr/bin/env bash
# The executable's own resources, read back from the built file: the version
# record, the icon (the one make_icon.py draws) and the manifest.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
EXE=${1:-$ROOT/build/win32/endnow.exe}
# Debian's own Python, which has python3-pefile.
exec /usr/bin/python3 "$ROOT/tests/e2e/resources.py" "$EXE" "$ROOT/res/make_icon.py"
