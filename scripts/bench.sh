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
# then three of the idle window (connected, nothing ticked) and three of a bare
# Qt Widgets window with one timer of the same period; it prints the medians of
# CPU share, peak RSS and the window thread's longest stall, and the ratio of
# idle to bare.
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

# Runs one mode three times; prints each run and leaves the medians in $cpu $rss $stall.
median() { sort -g | sed -n 2p; }
runs() {
  local mode=$1 out results=""
  shift
  for _ in 1 2 3; do
    out=$("${pin[@]}" build/default/bench/program_window --mode "$mode" "$@")
    echo "$out"
    results+=$(grep '^result ' <<<"$out")$'\n'
  done
  cpu=$(grep -o 'cpu=[0-9.]*' <<<"$results" | cut -d= -f2 | median)
  rss=$(grep -o 'rss=[0-9]*' <<<"$results" | cut -d= -f2 | median)
  stall=$(grep -o 'stall=[0-9.]*' <<<"$results" | cut -d= -f2 | median)
}
runs busy "$@"
echo "busy, median of three: ${cpu}% of a core (target <= 2%), peak RSS ${rss} kB (target <= 46080 kB)," \
  "longest stall ${stall} ms (target <= 50 ms)"
runs idle "$@"
idle=$cpu
runs bare "$@"
echo "idle window ${idle}% against a bare Qt window with one timer ${cpu}%:" \
  "$(awk -v a="$idle" -v b="$cpu" 'BEGIN { printf "%.2fx", (b > 0 ? a / b : 0) }') (target <= 1.5x)"
