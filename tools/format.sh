#!/usr/bin/env bash
# tools/format.sh [--check]: formats every tracked C++ file (clang-format,
# .clang-format) and Python file (black, pyproject.toml) in place. With
# --check it changes nothing and prints, one a line, the C++ and Python files
# that are not formatted, the shell scripts that shellcheck warns about, and
# each line over 100 columns in any of them (FILE:LINE), which the formatters
# let through; it exits non-zero when there is any.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1
mapfile -t cpp < <(git ls-files '*.cpp' '*.h')
mapfile -t python < <(git ls-files '*.py')
mapfile -t shell < <(git ls-files '*.sh' .ci/run)

if [ "${1:-}" != --check ]; then
  clang-format -i "${cpp[@]}" && black -q "${python[@]}"
  exit
fi
# Each tool once over all its files, which it names as it warns.
mapfile -t bad < <(
  clang-format --dry-run "${cpp[@]}" 2>&1 |
    sed -nE 's/^([^:]+):[0-9]+:[0-9]+: (warning|error).*/\1/p'
  black --check "${python[@]}" 2>&1 | sed -nE 's/^would reformat (.*)$/\1/p'
  shellcheck -S warning -f gcc "${shell[@]}" | cut -d: -f1
  LC_ALL=C.UTF-8 grep -n -H -E '^.{101}' "${cpp[@]}" "${python[@]}" "${shell[@]}" | cut -d: -f1,2
)
printf '%s\n' "${bad[@]}" | sort -u -V | sed '/^$/d'
[ ${#bad[@]} -eq 0 ]
