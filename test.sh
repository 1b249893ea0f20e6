#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
# Usage: ./test.sh [default|asan|tsan]
set -euo pipefail
cd "$(dirname "$0")"
preset="${1:-default}"

./scripts/install-deps.sh

cmake --preset "$preset"
cmake --build --preset "$preset"
QT_QPA_PLATFORM=offscreen ctest --preset "$preset"
