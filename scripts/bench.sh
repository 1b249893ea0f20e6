#!/usr/bin/env bash
# Builds one benchmark program with the default preset and runs it.
#
#   scripts/bench.sh roundtrip|scale|program [--pin] [options of the program...]
#
# --pin runs it under `taskset -c 0` (the program, the simulator it starts and
# every thread on one CPU), which calms the figures on a busy machine.
# Each program prints its own figures and the targets beside them; see the
# README section "Benchmarks".
set -euo pipefail
cd "$(dirname "$0")/.."

name=${1:-}
case "$name" in
  roundtrip | scale | program) shift ;;
  *) echo "usage: scripts/bench.sh roundtrip|scale|program [--pin] [options...]" >&2; exit 2 ;;
esac
pin=()
if [ "${1:-}" = "--pin" ]; then
  pin=(taskset -c 0)
  shift
fi

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target "bench_$name" >/dev/null
exec "${pin[@]}" "build/default/bench/$name" "$@"
