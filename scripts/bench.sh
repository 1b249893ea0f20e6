#!/usr/bin/env bash
# Builds one benchmark program with the default preset and runs it.
#
#   scripts/bench.sh roundtrip|scale|program [--pin] [options of the program...]
#   scripts/bench.sh program --window [--seconds N]
#   scripts/bench.sh stalls --case flood|about|close [--flood-seconds N]
#
# --pin runs it under `taskset -c 0` (the program, the simulator it starts and
# every thread on one CPU), which calms the figures on a busy machine.
# `program --window` runs the real windowed program under Xvfb instead of the
# headless one (bench/program_window.cpp) and reports its peak RSS.
# `stalls` runs the real windowed program under Xvfb through a misbehaving
# peer (bench/window_stalls.cpp) and reports the window thread's longest stall:
# a peer flooding it with replies, About with an opener that takes 10 s, Close
# against a peer that stopped reading.
# Each program prints its own figures and the targets beside them; see the
# README section "Benchmarks".
set -euo pipefail
cd "$(dirname "$0")/.."

name=${1:-}
case "$name" in
  roundtrip | scale | program) shift ;;
  stalls) shift; name=window_stalls ;;
  *) echo "usage: scripts/bench.sh roundtrip|scale|program|stalls [--pin] [options...]" >&2; exit 2 ;;
esac
pin=()
if [ "${1:-}" = "--pin" ]; then
  pin=(taskset -c 0)
  shift
fi
target=$name
if [ "$name" = window_stalls ]; then
  pin=("${pin[@]}" xvfb-run -a)
fi
if [ "$name" = program ] && [ "${1:-}" = "--window" ]; then
  target=program_window
  pin=("${pin[@]}" xvfb-run -a)
  shift
fi

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target "bench_$target" >/dev/null
exec "${pin[@]}" "build/default/bench/$target" "$@"
