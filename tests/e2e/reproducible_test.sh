#!/usr/bin/env bash
# Two clean builds of the same sources in different folders must give
# byte-identical executables.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
EXE=${1:-$ROOT/build/win32/endnow.exe}
source "$ROOT/tools.sh"
arch=$(pe_arch "$EXE")
toolchain=mingw-i686.cmake
[ "$arch" = win64 ] && toolchain=mingw-x86_64.cmake

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
built=()
for place in first/src somewhere/else/entirely; do
  src=$work/$place
  mkdir -p "$src"
  # The tracked files only, as a clean clone has them.
  git -C "$ROOT" ls-files -z | (cd "$ROOT" && xargs -0 cp --parents -t "$src")
  cmake -S "$src" -B "$src-build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/$toolchain" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DENDNOW_TESTS=OFF >/dev/null &&
    cmake --build "$src-build" --target endnow -j2 >/dev/null
  built+=("$src-build/endnow.exe")
done

passes=0 failures=0
if [ -f "${built[0]}" ] && [ -f "${built[1]}" ] && cmp -s "${built[0]}" "${built[1]}"; then
  echo "ok   - two builds in different folders are byte-identical ($(stat -c %s "${built[0]}") bytes, $arch)"
  passes=1
else
  echo "FAIL - two builds in different folders differ ($arch)"
  cmp "${built[0]}" "${built[1]}" | head -3
  failures=1
fi
echo "e2e: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
