#!/usr/bin/env bash
# Builds Lumicomb with sanitizers and runs the tests there: every test with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/, the unit and cli tests with ThreadSanitizer in
# build-tsan/. Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh libasan8 libubsan1 libtsan2
export QT_QPA_PLATFORM=offscreen

# AddressSanitizer and ThreadSanitizer write their reports to files in build-*/sanitizer-reports/
# rather than to stderr, and any file found there fails the run: a test that expects lumicomb-cli
# to fail would otherwise take a report's exit status for the failure it waits for.
# UndefinedBehaviorSanitizer beside AddressSanitizer writes to stderr whatever it is told, so it
# exits with a status no program of ours uses instead.
asan_reports=$PWD/build-asan/sanitizer-reports
tsan_reports=$PWD/build-tsan/sanitizer-reports

fail_on_reports() {
  local reports=$1
  [ -z "$(ls -A "$reports")" ] && return 0
  for report in "$reports"/*; do
    echo "=== $report"
    cat "$report"
  done
  echo "sanitizers.sh: the reports above came from $(dirname "$reports")" >&2
  exit 1
}

# check FOLDER SANITIZERS REPORTS [CTEST ARGUMENTS...]: builds FOLDER and runs its tests. The
# build already runs the test programs to list their tests, so the options are set before it.
check() {
  local folder=$1 sanitize=$2 reports=$3
  shift 3
  rm -rf "$reports"
  mkdir -p "$reports"
  echo "== $folder ($sanitize)"
  cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMICOMB_SANITIZE="$sanitize" \
    >/dev/null
  "${run_prefix[@]}" cmake --build "$folder" || { fail_on_reports "$reports"; exit 1; }
  local status=0
  "${run_prefix[@]}" ctest --test-dir "$folder" --output-on-failure -j 2 "$@" || status=$?
  fail_on_reports "$reports"
  [ "$status" -eq 0 ] || exit "$status"
}

run_prefix=()
export ASAN_OPTIONS="log_path=$asan_reports/asan:detect_stack_use_after_return=1"
ASAN_OPTIONS+=":check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:exitcode=86"
check build-asan address,undefined "$asan_reports"
unset ASAN_OPTIONS UBSAN_OPTIONS

# ThreadSanitizer of GCC 12 cannot place its shadow memory when the kernel randomises addresses
# over more than 28 bits; on such kernels its build and tests run with randomisation off.
if [ "$(cat /proc/sys/vm/mmap_rnd_bits 2>/dev/null || echo 28)" -gt 28 ] &&
  setarch "$(uname -m)" -R true 2>/dev/null; then
  run_prefix=(setarch "$(uname -m)" -R)
fi
export TSAN_OPTIONS="log_path=$tsan_reports/tsan:second_deadlock_stack=1"
check build-tsan thread "$tsan_reports" -L 'unit|cli'
echo "sanitizers.sh: no reports"
