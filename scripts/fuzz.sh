#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzzing build for a while, two at a time, each on a fresh corpus
# seeded from tests/data (and the built database's smallest country files; a new target's seeds go in
# tests/data/fuzz-seeds/<name without fuzz_>/). A crash, a leak or a
# timeout fails the run; the input that did it is printed (hex) and kept in the build folder.
#   scripts/fuzz.sh BUILD_DIR [SECONDS_PER_TARGET]      (the build: VANTREL_FUZZ=ON, clang)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
seconds="${2:-60}"
data="$here/tests/data"
work="$build/fuzzing"
rm -rf "$work"
mkdir -p "$work"

seeds_of() {
  case "$1" in
    fuzz_binary_plist) ls "$data"/plist/*.bplist ;;
    fuzz_xml_plist) ls "$data"/plist/*.xml ;;
    fuzz_keyed_archive) ls "$data"/plist/*archive* ;;
    fuzz_country_file) ls -S "$build"/bundle/database/*.ewpts 2>/dev/null | tail -n 3 ;;
    fuzz_nmea) ls "$data"/positioning/*.nmea ;;
    fuzz_igc) ls "$data"/positioning/*.igc ;;
    fuzz_wmm) ls "$here"/data/wmm/*.COF ;;
    fuzz_gpx) ls "$data"/navplans/*.gpx ;;
    *) ls "$data/fuzz-seeds/${1#fuzz_}"/* 2>/dev/null || true ;;
  esac
}

run_one() {
  local target="$1" dir="$work/$1"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  seeds_of "$target" | while read -r f; do cp "$f" "$dir/corpus/"; done
  local status=0
  (cd "$dir" && ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
     QT_QPA_PLATFORM=offscreen "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
     -max_len=65536 -print_final_stats=1 -artifact_prefix="$dir/artifacts/" corpus > "$dir/log" 2>&1) || status=$?
  local runs
  runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$dir/log" | grep -o '[0-9]*$' || echo 0)"
  if [ "$status" -ne 0 ]; then
    echo "FAILED: $target (exit $status) after ${runs:-0} runs"
    tail -n 60 "$dir/log"
    for a in "$dir"/artifacts/*; do
      [ -f "$a" ] || continue
      echo "input kept as $a:"
      od -A d -t x1z -v "$a" | head -n 64
    done
    return 1
  fi
  echo "$target: ${runs} runs in ${seconds} s, corpus $(ls "$dir/corpus" | wc -l) inputs"
}

# Every target that the fuzzers' CMake list declares; a target missing from the build fails the run.
mapfile -t targets < <(grep -o '^vantrel_add_fuzzer(fuzz_[a-z0-9_]*' "$here/tests/fuzz/CMakeLists.txt" | sed 's/^vantrel_add_fuzzer(//')
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets found in tests/fuzz/CMakeLists.txt" >&2; exit 1; }
for t in "${targets[@]}"; do
  [ -x "$build/tests/fuzz/$t" ] || { echo "missing $build/tests/fuzz/$t: build the target fuzzers with VANTREL_FUZZ=ON" >&2; exit 1; }
done

failed=0
pids=()
names=()
for t in "${targets[@]}"; do
  run_one "$t" > "$work/$t.out" 2>&1 &
  pids+=($!)
  names+=("$t")
  if [ ${#pids[@]} -eq 2 ]; then
    wait "${pids[0]}" || failed=1; cat "$work/${names[0]}.out"
    pids=("${pids[1]}"); names=("${names[1]}")
  fi
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || failed=1; cat "$work/${names[$i]}.out"
done
exit $failed
