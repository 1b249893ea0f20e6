#!/usr/bin/env bash
# Runs the test suite under AddressSanitizer + UndefinedBehaviorSanitizer
# and then under ThreadSanitizer, each in its own build directory
# (build/asan, build/tsan). Prints one summary line per preset and exits
# non-zero when either fails. The whole suite takes about as long as four plain
# builds and runs; --core builds and runs only the network library, Modbus,
# simulator, end-to-end and command-line suites (what CI runs under asan).
# Usage: scripts/sanitize.sh [--core] [asan] [tsan]     (both presets when none is given)
set -uo pipefail
cd "$(dirname "$0")/.."

core_suites=(netcore net modbus sim e2e cli)
core=0
presets=()
for arg in "$@"; do
    case "$arg" in
        --core) core=1 ;;
        asan|tsan) presets+=("$arg") ;;
        *) echo "sanitize.sh: unknown argument '$arg' (--core, asan or tsan)" >&2; exit 2 ;;
    esac
done
[ ${#presets[@]} -eq 0 ] && presets=(asan tsan)

# The core suites only: build their test programs and run the tests labelled with them.
run_core() {
    local preset=$1 targets=() suite
    for suite in "${core_suites[@]}"; do targets+=("${suite}_tests"); done
    ./scripts/install-deps.sh &&
        cmake --preset "$preset" >/dev/null &&
        cmake --build --preset "$preset" --target "${targets[@]}" &&
        QT_QPA_PLATFORM=offscreen ctest --preset "$preset" -L "^($(IFS='|'; echo "${core_suites[*]}"))\$"
}

status=0
summary=()
for preset in "${presets[@]}"; do
    started=$(date +%s)
    run=(./test.sh "$preset")
    what=$preset
    if [ $core -eq 1 ]; then
        run=(run_core "$preset")
        what="$preset (core suites)"
    fi
    if "${run[@]}"; then
        result=passed
    else
        result=FAILED
        status=1
    fi
    summary+=("$what: $result in $(( $(date +%s) - started )) s")
done

printf '%s\n' "${summary[@]}"
exit $status
