#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, ASan + UBSan) and runs each fuzz
# target for the given time or number of executions, one after another, then
# prints what each did.
#
#   scripts/fuzz.sh [seconds | runs=N] [jobs=J] [target...]
#
# seconds: per target, default 600; runs=N: each target until it has run N
# inputs (libFuzzer's -runs), however long that takes. jobs=J: fuzz in J
# processes at once (libFuzzer's -fork=J; the runs count all of them; default
# 1, one process). Targets: process_fuzz profile_fuzz plc_address_fuzz
# picture_fuzz (default: all). Each target starts from a copy of its seeds
# (fuzz/corpus/<target>) in build/fuzz/corpus-<target>, which keeps what
# earlier runs found; its log goes to build/fuzz/<target>.log and any crashing,
# leaking, slow or memory-hungry input to build/fuzz/findings-<target>/.
# Exits non-zero when a target found anything.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: scripts/fuzz.sh [seconds | runs=N] [jobs=J] [target...]" >&2
  exit 2
}
stop=(-max_total_time=600)
limit=600s
jobs=1
targets=()
for arg in "$@"; do
  case "$arg" in
    '' | runs=*[!0-9]* | runs= | jobs=*[!0-9]* | jobs= | jobs=0) usage ;;
    runs=*) stop=(-runs="${arg#runs=}") limit=$arg ;;
    jobs=*) jobs=${arg#jobs=} ;;
    *[!0-9]*) targets+=("$arg") ;;
    *) stop=(-max_total_time="$arg") limit=${arg}s ;;
  esac
done
if [ ${#targets[@]} -eq 0 ]; then
  targets=(process_fuzz profile_fuzz plc_address_fuzz picture_fuzz)
fi
# More than one process: libFuzzer's fork mode, its scratch files in memory
# when the machine has /dev/shm.
parallel=()
if [ "$jobs" -gt 1 ]; then
  parallel=(-fork="$jobs")
  if [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
fi

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
  echo "== $target: $limit, $jobs job(s), corpus $corpus, log $log"
  started=$(date +%s)
  set +e
  before=$(find "$corpus" -type f | wc -l)
  # process_fuzz's cost grows with the input (a 4 KB input costs three times a
  # short one); 1 KB holds a hundred events or a stream of several frames.
  longest=()
  if [ "$target" = process_fuzz ]; then longest=(-max_len=1024); fi
  # CPU seconds (user + system, every process of the run) beside the wall
  # time: on a shared machine they say more about the target's cost.
  cpu=$( { TIMEFORMAT='%U %S'; time "$build/fuzz/$target" "${stop[@]}" "${parallel[@]}" "${longest[@]}" \
    -rss_limit_mb=2048 -timeout=25 -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1; } 2>&1)
  code=$?
  cpu=$(awk '{ printf "%.1f", $1 + $2 }' <<<"$cpu")
  set -e
  elapsed=$(( $(date +%s) - started ))
  if [ "$jobs" -gt 1 ]; then
    # Fork mode prints no final statistics: its last status line has the
    # total of executions (its exec/s is the last job's own).
    execs=$(grep -E '^#[0-9]+: cov:' "$log" | tail -1 | sed -n 's/^#\([0-9]*\):.*/\1/p' || true)
    rate=$(( ${execs:-0} / (elapsed > 0 ? elapsed : 1) ))
    rss=
  else
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
  fi
  units=$(find "$corpus" -type f | wc -l)
  found=$(find "$findings" -type f | wc -l)
  if [ "$code" -ne 0 ] || [ "$found" -ne 0 ]; then
    status=1
    grep -m3 -E "ERROR:|runtime error:|deadly signal|SUMMARY:" "$log" || true
  fi
  summary+=("$(printf '%-18s %12s %8ss %8ss %10s %8sMB %8s %9s %5s' "$target" "${execs:-?}" "$elapsed" "${cpu:-?}" \
    "${rate:-?}" "${rss:-?}" "$before>$units" "$found" "$code")")
done

echo
printf '%-18s %12s %9s %9s %10s %10s %8s %9s %5s\n' target execs time CPU exec/s "peak RSS" corpus findings exit
printf '%s\n' "${summary[@]}"
exit $status
