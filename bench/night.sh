#!/usr/bin/env bash
# Times the night-sky runs on the 11 photographs against plain "Brightest" and the decode floor:
# comet trails, brightest with its gaps closed, brightest with five darks and hot pixels, and the
# time-lapse (--sequence) against the same run without it, written as TIFF, PNG and JPEG; with
# each run's peak memory. Runs on its own, and at the end of bench/run.sh. A report, not a test:
# it exits 0 whatever the figures are.
#
#   bash bench/night.sh             # 3 measured rounds
#   ROUNDS=7 bash bench/night.sh    # steadier medians
ROUNDS="${ROUNDS:-3}"
source "$(dirname "$0")/run.sh" # its settings and helpers; sourced, it runs nothing itself

readonly SEQUENCE_TARGET=3.0
readonly NIGHT_RUNS=(
  floor brightest comet gap-fill darks
  plain-tif sequence-tif plain-png sequence-png plain-jpg sequence-jpg
)

# Five darks of the photographs' size: the sensor's bias and its noise, as JPEGs.
make_darks() {
  DARK_DIR="$CACHE/darks"
  if [ "$(find "$DARK_DIR" -name 'dark-*.jpg' 2>/dev/null | wc -l)" -ne 5 ]; then
    rm -rf "$DARK_DIR"
    mkdir -p "$DARK_DIR"
    local j
    for ((j = 0; j < 5; j++)); do
      vips gaussnoise "$WORK/noise.v" 2560 1600 --mean 6 --sigma 3 --seed "$j"
      vips bandjoin "$WORK/noise.v $WORK/noise.v $WORK/noise.v" "$WORK/noise3.v"
      vips cast "$WORK/noise3.v" "$DARK_DIR/dark-$j.jpg[Q=95]" uchar
    done
  fi
}

# Sets COMMAND to one night run writing into OUT (of the run's type); sequence runs write their
# frames into a folder of their own, emptied first.
night_command() {
  local run=$1 out=$2
  case "$run" in
    floor) COMMAND=("$FLOOR" "${PHOTOS[@]}") ;;
    brightest | plain-*) COMMAND=("$CLI" --quiet -r brightest -o "$out" "${PHOTOS[@]}") ;;
    comet) COMMAND=("$CLI" --quiet -r comet -o "$out" "${PHOTOS[@]}") ;;
    gap-fill) COMMAND=("$CLI" --quiet -r brightest --gap-fill -o "$out" "${PHOTOS[@]}") ;;
    darks) COMMAND=("$CLI" --quiet -r brightest --dark "$DARK_DIR" --hot-pixels -o "$out"
      "${PHOTOS[@]}") ;;
    sequence-*)
      rm -rf "$WORK/frames"
      COMMAND=("$CLI" --quiet -r brightest --sequence "$WORK/frames" -o "$out" "${PHOTOS[@]}") ;;
  esac
}

run_night() {
  local run=$1 type=tif
  case "$run" in *-png) type=png ;; *-jpg) type=jpg ;; esac
  local out="$WORK/$run.$type"
  night_command "$run" "$out"
  rm -f "$out"
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f '%M' -o "$WORK/$run.rss" "${COMMAND[@]}" 2>"$WORK/$run.err" ||
    { echo "$run failed:" >&2; cat "$WORK/$run.err" >&2; exit 1; }
  end=$(date +%s%N)
  echo "$(((end - start) / 1000000)) $(tail -n 1 "$WORK/$run.rss")" >>"$WORK/$run.samples"
}

night_main() {
  mkdir -p "$CACHE"
  WORK=$(mktemp -d "$CACHE/run.XXXXXX")
  trap 'rm -rf "$WORK"' EXIT
  ensure_peers
  fetch_photos
  mapfile -t PHOTOS < <(list_photos | head -n "$PHOTO_COUNT")
  build_tools
  make_darks
  local run round i count=${#NIGHT_RUNS[@]} load
  load=$(cut -d' ' -f1-3 /proc/loadavg)
  log "warming up"
  for run in "${NIGHT_RUNS[@]}"; do run_night "$run"; done
  rm -f "$WORK"/*.samples
  for ((round = 0; round < ROUNDS; round++)); do
    log "night runs, round $((round + 1))/$ROUNDS"
    for ((i = 0; i < count; i++)); do run_night "${NIGHT_RUNS[(round + i) % count]}"; done
  done
  declare -gA TIME MEMORY
  PASSED=0
  FAILED=0
  echo
  echo "$PHOTO_COUNT photographs 2560x1600, the night-sky runs, $ROUNDS rounds, medians"
  echo "load average before the runs: $load"
  printf '%-40s %10s %10s\n' "run" 'wall ms' 'peak MB'
  for run in "${NIGHT_RUNS[@]}"; do
    TIME[$run]=$(median "$run" 1)
    MEMORY[$run]=$(median "$run" 2)
    printf '%-40s %10.0f %10.1f\n' "$run" "${TIME[$run]}" \
      "$(awk -v kb="${MEMORY[$run]}" 'BEGIN { print kb / 1024 }')"
  done
  echo
  echo "against brightest and the decode floor, time"
  for run in comet gap-fill darks; do
    ratio_line "$run / brightest" "${TIME[$run]}" "${TIME[brightest]}"
    ratio_line "$run / floor" "${TIME[$run]}" "${TIME[floor]}"
  done
  echo "peak memory"
  for run in comet gap-fill darks; do
    ratio_line "$run / brightest, peak memory" "${MEMORY[$run]}" "${MEMORY[brightest]}"
  done
  echo "the time-lapse against the same run without it"
  ratio_line "--sequence / plain, TIFF" "${TIME[sequence-tif]}" "${TIME[plain-tif]}" "$SEQUENCE_TARGET"
  ratio_line "--sequence / plain, PNG" "${TIME[sequence-png]}" "${TIME[plain-png]}" "$SEQUENCE_TARGET"
  ratio_line "--sequence / plain, JPEG" "${TIME[sequence-jpg]}" "${TIME[plain-jpg]}"
  for type in tif png jpg; do
    ratio_line "--sequence / plain, $type, peak memory" "${MEMORY[sequence-$type]}" \
      "${MEMORY[plain-$type]}"
  done
  echo "targets: $PASSED PASS, $FAILED FAIL"
}

night_main "$@"
