#!/usr/bin/env bash
# Checks that every C++ file of the project is formatted as .clang-format says.
# Usage: scripts/check-format.sh [--fix]    (--fix rewrites the files instead)
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
                                   'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
if clang-format --dry-run --Werror "${files[@]}"; then
    echo "check-format: ${#files[@]} files formatted as .clang-format says"
else
    echo "check-format: files above are not formatted; run scripts/check-format.sh --fix" >&2
    exit 1
fi
