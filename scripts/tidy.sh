#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy: bugprone and performance checks) over the
# project's sources, using the default build's compile_commands.json.
# Usage: scripts/tidy.sh [file...]     (every .cpp of src/ when none is given)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh clang-tidy
[ -f build/default/compile_commands.json ] || cmake --preset default >/dev/null

if [ $# -eq 0 ]; then
    mapfile -t files < <(git ls-files -- 'src/*.cpp')
else
    files=("$@")
fi
# The build passes -iquote as one "SHELL:" option; clang-tidy reads it as gcc does.
clang-tidy -p build/default --quiet "${files[@]}"
