#!/usr/bin/env bash
# Checks that every C++ file of the tree is in the house style (.clang-format, clang-format 14).
# --fix rewrites the files that are not.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'apps/*.cpp' 'apps/*.h' 'harness/*.cpp' 'harness/*.h' \
  'tests/*.cpp' 'tests/*.h' 'fuzz/*.cpp' 'fuzz/*.h' 'bench/*.cpp' 'bench/*.h')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run -Werror "${files[@]}"; then
  echo "check-format: the files above are not in the house style; scripts/check-format.sh --fix mends them" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files in the house style"
