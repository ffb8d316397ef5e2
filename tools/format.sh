#!/usr/bin/env bash
# tools/format.sh [--check]: formats every tracked C++ file (clang-format,
# .clang-format) and Python file (black, pyproject.toml) in place. With
# --check it changes nothing and prints the C++ and Python files that are not
# formatted and the shell scripts that shellcheck warns about, one a line;
# it exits non-zero when there is any.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1
mapfile -t cpp < <(git ls-files '*.cpp' '*.h')
mapfile -t python < <(git ls-files '*.py')
mapfile -t shell < <(git ls-files '*.sh' .ci/run)

if [ "${1:-}" != --check ]; then
  clang-format -i "${cpp[@]}" && black -q "${python[@]}"
  exit
fi
bad=0
for f in "${cpp[@]}"; do
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || { echo "$f"; bad=$((bad + 1)); }
done
for f in "${python[@]}"; do
  black -q --check "$f" 2>/dev/null || { echo "$f"; bad=$((bad + 1)); }
done
for f in "${shell[@]}"; do
  shellcheck -S warning "$f" >/dev/null || { echo "$f"; bad=$((bad + 1)); }
done
[ "$bad" -eq 0 ]
