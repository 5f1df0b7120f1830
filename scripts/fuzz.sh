#!/usr/bin/env bash
# Fuzzes the reading of image files for a minute: builds the fuzz target with clang's sanitizers
# in build-fuzz/, replays every saved regression, then mutates freshly made seed pictures.
# Exits non-zero on any crash, leak or broken invariant; its reproducer is kept in
# build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh clang-14 libclang-rt-14-dev

cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build-fuzz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/seeds" "$work/corpus"
findings=build-fuzz/findings
rm -rf "$findings"
mkdir -p "$findings"
build-fuzz/make_seeds "$work/seeds"

export ASAN_OPTIONS=allocator_may_return_null=1
export LSAN_OPTIONS="suppressions=$PWD/fuzz/leak_suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1
# A budget for one input's memory far above the 256 MiB decode budget the target sets, and a
# time limit no sane decode of a few kilobytes comes near.
limits=(-rss_limit_mb=8192 -timeout=20 -artifact_prefix="$findings/")

regressions=(fuzz/regressions/*)
if [ -e "${regressions[0]}" ]; then
  echo "Replaying ${#regressions[@]} regression files"
  build-fuzz/decode_fuzzer "${limits[@]}" "${regressions[@]}" >"$work/regressions.log" 2>&1 || {
    tail -n 60 "$work/regressions.log"
    echo "fuzz: a regression file fails again" >&2
    exit 1
  }
fi

echo "Fuzzing for 60 seconds from $(ls "$work/seeds" | wc -l) seed files"
status=0
build-fuzz/decode_fuzzer "${limits[@]}" -max_total_time=60 -seed=20240601 -print_final_stats=1 \
  "$work/corpus" "$work/seeds" >"$work/fuzz.log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  tail -n 80 "$work/fuzz.log"
  echo "fuzz: the fuzzer found a fault (exit $status); reproducers: $(ls "$findings")" >&2
  exit 1
fi
grep -E '^#[0-9]+[[:space:]]+DONE' "$work/fuzz.log" | tail -n 1
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' \
  "$work/fuzz.log"
echo "findings: $(ls "$findings" | wc -l)"
