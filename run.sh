#!/usr/bin/env bash
# Installs what is missing, builds and starts Brackwater against the built-in
# DL06 simulator (--simulator), so pressing Open shows replies at once.
# Extra arguments are passed to the program. With --no-simulator (removed
# here) or a --simulator... of your own, nothing is added.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

cmake --preset default
cmake --build --preset default --target brackwater

args=()
simulator=(--simulator)
for argument in "$@"; do
  case "$argument" in
    --no-simulator) simulator=() ;;
    --simulator | --simulator=*) simulator=(); args+=("$argument") ;;
    *) args+=("$argument") ;;
  esac
done
exec ./build/default/src/app/brackwater ${simulator[@]+"${simulator[@]}"} ${args[@]+"${args[@]}"}
