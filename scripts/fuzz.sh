#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, ASan + UBSan) and runs each fuzz
# target for the given time or number of executions, one after another, then
# prints what each did.
#
#   scripts/fuzz.sh [seconds | runs=N] [target...]
#
# seconds: per target, default 600; runs=N: each target until it has run N
# inputs (libFuzzer's -runs), however long that takes. Targets: process_fuzz profile_fuzz
# plc_address_fuzz picture_fuzz (default: all). Each target starts from a copy
# of its seeds (fuzz/corpus/<target>) in build/fuzz/corpus-<target>, which keeps
# what earlier runs found; its log goes to build/fuzz/<target>.log and any
# crashing, leaking, slow or memory-hungry input to build/fuzz/findings-<target>/.
# Exits non-zero when a target found anything.
set -euo pipefail
cd "$(dirname "$0")/.."

limit=${1:-600}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(process_fuzz profile_fuzz plc_address_fuzz picture_fuzz)
fi
case "$limit" in
  runs=[0-9]*) stop=(-runs="${limit#runs=}") ;;
  [0-9]*) stop=(-max_total_time="$limit") ;;
  *) stop=() ;;
esac
case "${limit#runs=}" in
  '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [seconds | runs=N] [target...]" >&2; exit 2 ;;
esac

# clang, its runtime libraries (libFuzzer, sanitizers) and llvm-symbolizer for
# readable stack traces; the normal build needs none of them.
scripts/install-deps.sh clang libclang-rt-dev llvm

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target "${targets[@]}"

# A smaller quarantine keeps freed memory warm instead of faulting in fresh
# pages for every input (about half the CPU time of process_fuzz); freed blocks
# are still poisoned, so a use soon after free is caught as before. Your own
# ASAN_OPTIONS win.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16:max_malloc_fill_size=0}"

build=build/fuzz
status=0
summary=()
for target in "${targets[@]}"; do
  corpus=$build/corpus-$target
  findings=$build/findings-$target
  log=$build/$target.log
  mkdir -p "$corpus" "$findings"
  cp -n fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
  echo "== $target: $limit, corpus $corpus, log $log"
  started=$(date +%s)
  set +e
  before=$(find "$corpus" -type f | wc -l)
  "$build/fuzz/$target" "${stop[@]}" -rss_limit_mb=2048 -timeout=25 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1
  code=$?
  set -e
  elapsed=$(( $(date +%s) - started ))
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
  units=$(find "$corpus" -type f | wc -l)
  found=$(find "$findings" -type f | wc -l)
  if [ "$code" -ne 0 ] || [ "$found" -ne 0 ]; then
    status=1
    grep -m3 -E "ERROR:|runtime error:|deadly signal|SUMMARY:" "$log" || true
  fi
  summary+=("$(printf '%-18s %12s %8ss %10s %8sMB %8s %9s %5s' "$target" "${execs:-?}" "$elapsed" "${rate:-?}" \
    "${rss:-?}" "$before>$units" "$found" "$code")")
done

echo
printf '%-18s %12s %9s %10s %10s %8s %9s %5s\n' target execs time exec/s "peak RSS" corpus findings exit
printf '%s\n' "${summary[@]}"
exit $status
