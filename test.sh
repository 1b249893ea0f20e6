#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
# Usage: ./test.sh [default|asan|tsan]
set -euo pipefail
cd "$(dirname "$0")"
preset="${1:-default}"

./scripts/install-deps.sh

cmake --preset "$preset"
cmake --build --preset "$preset"
# The peers that install-deps.sh installs must be there: a test fails, not skips, without them.
BRACKWATER_REQUIRE_PEERS=1 QT_QPA_PLATFORM=offscreen ctest --preset "$preset"
