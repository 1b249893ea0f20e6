#!/usr/bin/env bash
# Installs what is missing, builds and starts Brackwater.
# Extra arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

cmake --preset default
cmake --build --preset default --target brackwater
exec ./build/default/src/app/brackwater "$@"
