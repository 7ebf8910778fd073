#!/usr/bin/env bash
# Builds every libFuzzer harness of fuzz/ with clang (address and
# undefined-behaviour sanitizers) and runs each for a fixed number of inputs,
# starting from its seed corpus in fuzz/corpus/<harness>/ and the public test
# suites beside the repository. Fails when a harness finds anything; what it
# found is copied into fuzz/regressions/ (to be committed: a unit test replays
# every input there).
#   tools/run-fuzzers.sh [RUNS]    (default 20000 inputs per harness)
#   FUZZ_SECONDS=N tools/run-fuzzers.sh   (N seconds per harness instead)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"
runs="${1:-${FUZZ_RUNS:-20000}}"
jobs="${JOBS:-2}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DPIPPALEE_FUZZ=ON -DPIPPALEE_SANITIZE=ON -DPIPPALEE_WERROR=OFF \
  -DPIPPALEE_PROGRAM=OFF -DPIPPALEE_BENCH=OFF >/dev/null

harnesses=()
for f in "$root"/fuzz/*_fuzzer.cpp; do
  [ -e "$f" ] || continue
  harnesses+=("$(basename "$f" .cpp)")
done
[ ${#harnesses[@]} -gt 0 ] || { echo "no fuzz harnesses" >&2; exit 1; }
cmake --build "$build" -j "$jobs" --target "${harnesses[@]}"

# Extra seeds from the public suites, by the format a harness reads.
extra_seeds() {
  local data="$root/../shared/testdata"
  case "$1" in
    png_*) echo "$data/pngsuite" ;;
    bmp_*) echo "$data/bmpsuite" ;;
    gif_*) echo "$data/gif" ;;
    jpeg_*) echo "$data/jpeg" ;;
  esac
}

status=0
for h in "${harnesses[@]}"; do
  work="$(mktemp -d)"
  # New inputs go to a scratch corpus, never into the repository.
  seeds=("$work")
  corpus="$root/fuzz/corpus/${h%_fuzzer}"
  [ -d "$corpus" ] && seeds+=("$corpus")
  extra="$(extra_seeds "$h")"
  [ -n "$extra" ] && [ -d "$extra" ] && seeds+=("$extra")
  limit=(-runs="$runs")
  [ -n "${FUZZ_SECONDS:-}" ] && limit=(-max_total_time="$FUZZ_SECONDS")
  echo "== $h: ${limit[0]}"
  if ! (cd "$work" && ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
        "$build/fuzz/$h" "${limit[@]}" -max_len=262144 -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=1 "${seeds[@]}" 2>"$work/log.txt"); then
    tail -n 60 "$work/log.txt" >&2
    for found in "$work"/crash-* "$work"/timeout-* "$work"/oom-* "$work"/leak-* "$work"/slow-unit-*; do
      [ -e "$found" ] || continue
      case "$h" in
        bmp_*) ext=.bmp ;; gif_*) ext=.gif ;; jpeg_*) ext=.jpg ;; png_*) ext=.png ;; *) ext=.fuzz ;;
      esac
      cp "$found" "$root/fuzz/regressions/${h%_fuzzer}-$(basename "$found")$ext"
      echo "== kept $(basename "$found") in fuzz/regressions/" >&2
    done
    echo "== $h FAILED (inputs kept in $work)" >&2
    status=1
    continue
  fi
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+.*DONE)' "$work/log.txt" || true
  rm -rf "$work"
done
exit $status
