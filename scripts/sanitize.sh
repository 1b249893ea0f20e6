#!/usr/bin/env bash
# Runs the whole test suite under AddressSanitizer + UndefinedBehaviorSanitizer
# and then under ThreadSanitizer, each in its own build directory
# (build/asan, build/tsan). Prints one summary line per preset and exits
# non-zero when either fails. Takes about as long as four plain builds and runs.
# Usage: scripts/sanitize.sh [asan] [tsan]     (both when none is given)
set -uo pipefail
cd "$(dirname "$0")/.."

presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(asan tsan)

status=0
summary=()
for preset in "${presets[@]}"; do
    case "$preset" in
        asan|tsan) ;;
        *) echo "sanitize.sh: unknown preset '$preset' (asan or tsan)" >&2; exit 2 ;;
    esac
    started=$(date +%s)
    if ./test.sh "$preset"; then
        result=passed
    else
        result=FAILED
        status=1
    fi
    summary+=("$preset: $result in $(( $(date +%s) - started )) s")
done

printf '%s\n' "${summary[@]}"
exit $status
