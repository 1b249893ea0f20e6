#!/usr/bin/env bash
# Builds one benchmark program with the default preset and runs it.
#
#   scripts/bench.sh roundtrip|scale|program [--pin] [options of the program...]
#   scripts/bench.sh program --window [--pin] [--seconds N]
#   scripts/bench.sh stalls --case flood|about|close [--flood-seconds N]
#
# --pin runs it under `taskset -c 0` (the program, the simulator it starts and
# every thread on one CPU), which calms the figures on a busy machine.
# `program --window` runs the real windowed program under Xvfb instead of the
# headless one (bench/program_window.cpp): three runs at the fastest settings,
# then three of the idle window (connected, nothing ticked) taking turns with
# three of a bare Qt Widgets window with one timer of the same period (so both
# meet the same minutes of a shared machine); it prints the medians of CPU
# share, peak RSS and the window thread's longest stall, and the ratio of idle
# to bare.
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
window=0
if [ "$name" = program ] && [ "${1:-}" = "--window" ]; then
  target=program_window
  window=1
  shift
  if [ "${1:-}" = "--pin" ]; then
    pin=(taskset -c 0)
    shift
  fi
  pin=("${pin[@]}" xvfb-run -a)
fi

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target "bench_$target" >/dev/null
[ "$window" = 1 ] || exec "${pin[@]}" "build/default/bench/$target" "$@"

# Runs modes in turn, three rounds; prints each run and leaves each mode's
# medians in cpu[mode] rss[mode] stall[mode].
median() { sort -g | sed -n 2p; }
declare -A cpu rss stall
runs() {
  local modes=() mode out
  declare -A results
  while [ $# -gt 0 ] && [ "$1" != -- ]; do modes+=("$1"); shift; done
  shift
  for _ in 1 2 3; do
    for mode in "${modes[@]}"; do
      out=$("${pin[@]}" build/default/bench/program_window --mode "$mode" "$@")
      echo "$out"
      results[$mode]+=$(grep '^result ' <<<"$out")$'\n'
    done
  done
  for mode in "${modes[@]}"; do
    cpu[$mode]=$(grep -o 'cpu=[0-9.]*' <<<"${results[$mode]}" | cut -d= -f2 | median)
    rss[$mode]=$(grep -o 'rss=[0-9]*' <<<"${results[$mode]}" | cut -d= -f2 | median)
    stall[$mode]=$(grep -o 'stall=[0-9.]*' <<<"${results[$mode]}" | cut -d= -f2 | median)
  done
}
runs busy -- "$@"
echo "busy, median of three: ${cpu[busy]}% of a core (target <= 2%), peak RSS ${rss[busy]} kB (target <= 46080 kB)," \
  "longest stall ${stall[busy]} ms (target <= 50 ms)"
runs idle bare -- "$@"
echo "idle window ${cpu[idle]}% against a bare Qt window with one timer ${cpu[bare]}%:" \
  "$(awk -v a="${cpu[idle]}" -v b="${cpu[bare]}" 'BEGIN { printf "%.2fx", (b > 0 ? a / b : 0) }') (target <= 1.5x)"
