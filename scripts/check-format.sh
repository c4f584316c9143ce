#!/usr/bin/env bash
# Checks that every C++ file of the tree is in the house style (.clang-format, clang-format 14).
# --fix rewrites the files that are not.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
# The tree as a copy without .git has it, too (the fresh-root check runs there).
mapfile -t files < <(find src apps harness tests fuzz bench -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run -Werror "${files[@]}"; then
  echo "check-format: the files above are not in the house style; scripts/check-format.sh --fix mends them" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files in the house style"
