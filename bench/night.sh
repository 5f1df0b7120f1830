#!/usr/bin/env bash
# Times the night-sky runs against plain "Brightest" and the decode floor, each with its peak
# memory, on two nights:
# - the 11 photographs: comet trails, brightest with its gaps closed, brightest with five darks
#   and hot pixels, and the time-lapse (--sequence) against the same run without it, written as
#   TIFF, PNG and JPEG;
# - a long synthetic night (150 frames of 2560x1600 JPEGs, 60 hot pixels, five darks, drawn once by
#   lumicomb-night-figures into bench/.cache): the same runs, the time-lapse as PNG, and the peers
#   that draw star trails from Debian: vips bandrank and ImageMagick's lighten, frame by frame.
# Then lumicomb-night-figures measures what the blends make of a shorter night of the same size:
# the gaps and trails lit, stray pixels, the sky's median and the hot pixels left.
# Runs on its own, and at the end of bench/run.sh. A report, not a test: it exits 0 whatever the
# figures are.
#
#   bash bench/night.sh                 # 3 measured rounds of the photographs, 1 of the long night
#   ROUNDS=7 NIGHT_ROUNDS=3 bash bench/night.sh
#   NIGHT_FRAMES=200 FIGURE_FRAMES=40 bash bench/night.sh
ROUNDS="${ROUNDS:-3}"
NIGHT_ROUNDS="${NIGHT_ROUNDS:-1}"
NIGHT_FRAMES="${NIGHT_FRAMES:-150}"
FIGURE_FRAMES="${FIGURE_FRAMES:-20}"
source "$(dirname "$0")/run.sh" # its settings and helpers; sourced, it runs nothing itself

[[ "$NIGHT_ROUNDS" =~ ^[0-9]+$ ]] || { echo "NIGHT_ROUNDS must be 0 or more" >&2; exit 2; }
[[ "$NIGHT_FRAMES" =~ ^[1-9][0-9]*$ ]] || { echo "NIGHT_FRAMES must be a positive integer" >&2; exit 2; }
[[ "$FIGURE_FRAMES" =~ ^[0-9]+$ ]] || { echo "FIGURE_FRAMES must be 0 or more" >&2; exit 2; }
readonly NIGHT_WIDTH=2560 NIGHT_HEIGHT=1600
readonly FIGURES="$BUILD/lumicomb-night-figures"

readonly SEQUENCE_TARGET=3.0
readonly NIGHT_RUNS=(
  floor brightest comet gap-fill darks
  plain-tif sequence-tif plain-png sequence-png plain-jpg sequence-jpg
)
# The long night's runs; each peer sits right after the lumicomb run it is compared with.
readonly LONG_RUNS=(
  long-floor long-brightest long-vips long-magick long-comet long-gap-fill long-darks
  long-plain-png long-sequence-png
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
    long-floor) COMMAND=("$FLOOR" "${NIGHT[@]}") ;;
    long-brightest | long-plain-png) COMMAND=("$CLI" --quiet -r brightest -o "$out" "${NIGHT[@]}") ;;
    long-vips) COMMAND=(vips bandrank "${NIGHT[*]}" "$out" --index $((${#NIGHT[@]} - 1))) ;;
    long-magick) COMMAND=(bash -c "$MAGICK_TRAILS" magick-trails "$out" "${NIGHT[@]}") ;;
    long-comet) COMMAND=("$CLI" --quiet -r comet -o "$out" "${NIGHT[@]}") ;;
    long-gap-fill) COMMAND=("$CLI" --quiet -r brightest --gap-fill -o "$out" "${NIGHT[@]}") ;;
    long-darks) COMMAND=("$CLI" --quiet -r brightest --dark "$NIGHT_DIR/darks" --hot-pixels
      -o "$out" "${NIGHT[@]}") ;;
    long-sequence-png)
      rm -rf "$WORK/frames"
      COMMAND=("$CLI" --quiet -r brightest --sequence "$WORK/frames" -o "$out" "${NIGHT[@]}") ;;
  esac
}

# Star trails as ImageMagick users draw them: each frame lightened onto the running result (the
# brighter of each channel), kept as an uncompressed MIFF between the steps.
# shellcheck disable=SC2016 # expanded by the bash that runs it
readonly MAGICK_TRAILS='out=$1; shift
trails="${out%.*}.miff"
convert "$1" "$trails"; shift
for frame in "$@"; do convert "$trails" "$frame" -compose lighten -composite "$trails"; done
convert "$trails" "$out" && rm -f "$trails"'

# The long night: drawn once into the cache (JPEGs at quality 95, as a camera writes them).
make_long_night() {
  NIGHT_DIR="$CACHE/night-${NIGHT_FRAMES}x${NIGHT_WIDTH}x${NIGHT_HEIGHT}"
  if [ "$(find "$NIGHT_DIR" -maxdepth 1 -name 'night_*.jpg' 2>/dev/null | wc -l)" -ne "$NIGHT_FRAMES" ] ||
    [ "$(find "$NIGHT_DIR/darks" -name 'dark_*.jpg' 2>/dev/null | wc -l)" -ne 5 ]; then
    log "drawing a night of $NIGHT_FRAMES frames of ${NIGHT_WIDTH}x$NIGHT_HEIGHT into $NIGHT_DIR"
    rm -rf "$NIGHT_DIR"
    mkdir -p "$NIGHT_DIR/darks"
    "$FIGURES" --draw "$NIGHT_DIR" "$NIGHT_FRAMES" "$NIGHT_WIDTH" "$NIGHT_HEIGHT"
  fi
  mapfile -t NIGHT < <(find "$NIGHT_DIR" -maxdepth 1 -name 'night_*.jpg' | LC_ALL=C sort)
}

run_night() {
  local run=$1 type=tif
  case "$run" in *-png) type=png ;; *-jpg) type=jpg ;; esac
  local out="$WORK/$run.$type"
  night_command "$run" "$out"
  rm -f "$out"
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f '%M %U %S' -o "$WORK/$run.rss" "${COMMAND[@]}" 2>"$WORK/$run.err" ||
    { echo "$run failed:" >&2; cat "$WORK/$run.err" >&2; exit 1; }
  end=$(date +%s%N)
  # "wall-ms peak-KB cpu-ms": the CPU time (user and system) moves less with the machine's load.
  echo "$(((end - start) / 1000000)) $(tail -n 1 "$WORK/$run.rss" |
    awk '{ printf "%d %.0f", $1, 1000 * ($2 + $3) }')" >>"$WORK/$run.samples"
}

# Medians of a run's samples into TIME, MEMORY and CPU, and its row of the table.
night_row() {
  local run=$1
  TIME[$run]=$(median "$run" 1)
  MEMORY[$run]=$(median "$run" 2)
  CPU[$run]=$(median "$run" 3)
  printf '%-40s %10.0f %10.0f %10.1f\n' "${2:-$run}" "${TIME[$run]}" "${CPU[$run]}" \
    "$(awk -v kb="${MEMORY[$run]}" 'BEGIN { print kb / 1024 }')"
}

report_photographs() {
  local run type
  echo
  echo "$PHOTO_COUNT photographs 2560x1600, the night-sky runs, $ROUNDS rounds, medians"
  echo "load average before the runs: $LOAD_PHOTOGRAPHS"
  printf '%-40s %10s %10s %10s\n' "run" 'wall ms' 'CPU ms' 'peak MB'
  for run in "${NIGHT_RUNS[@]}"; do night_row "$run"; done
  echo
  echo "against brightest and the decode floor, time"
  for run in comet gap-fill darks; do
    ratio_line "$run / brightest" "${TIME[$run]}" "${TIME[brightest]}"
    ratio_line "$run / floor" "${TIME[$run]}" "${TIME[floor]}"
  done
  echo "CPU time"
  for run in comet gap-fill darks; do
    ratio_line "$run / brightest, CPU" "${CPU[$run]}" "${CPU[brightest]}"
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
    ratio_line "--sequence / plain, $type, CPU" "${CPU[sequence-$type]}" "${CPU[plain-$type]}"
  done
  for type in tif png jpg; do
    ratio_line "--sequence / plain, $type, peak memory" "${MEMORY[sequence-$type]}" \
      "${MEMORY[plain-$type]}"
  done
}

report_long_night() {
  local run
  echo
  echo "a synthetic night of ${#NIGHT[@]} frames ${NIGHT_WIDTH}x$NIGHT_HEIGHT (JPEG, 60 hot pixels," \
    "5 darks) to TIFF, $NIGHT_ROUNDS rounds, medians"
  echo "load average before the runs: $LOAD_LONG"
  printf '%-40s %10s %10s %10s\n' "run" 'wall ms' 'CPU ms' 'peak MB'
  for run in "${LONG_RUNS[@]}"; do
    case "$run" in
      long-vips) night_row "$run" "vips bandrank --index $((${#NIGHT[@]} - 1))" ;;
      long-magick) [ -z "$MAGICK" ] || night_row "$run" "convert -compose lighten, frame by frame" ;;
      long-plain-png) night_row "$run" "brightest, to PNG" ;;
      long-sequence-png) night_row "$run" "brightest --sequence, PNG" ;;
      *) night_row "$run" "${run#long-}" ;;
    esac
  done
  [ -n "$MAGICK" ] || echo "(ImageMagick's convert is missing: its row is skipped)"
  echo
  echo "against brightest, the decode floor and the peers, time"
  for run in comet gap-fill darks; do
    ratio_line "$run / brightest" "${TIME[long-$run]}" "${TIME[long-brightest]}"
  done
  for run in brightest comet gap-fill darks; do
    ratio_line "$run / floor" "${TIME[long-$run]}" "${TIME[long-floor]}"
  done
  ratio_line "brightest / vips bandrank" "${TIME[long-brightest]}" "${TIME[long-vips]}"
  [ -z "$MAGICK" ] ||
    ratio_line "brightest / ImageMagick lighten" "${TIME[long-brightest]}" "${TIME[long-magick]}"
  echo "CPU time"
  for run in comet gap-fill darks; do
    ratio_line "$run / brightest, CPU" "${CPU[long-$run]}" "${CPU[long-brightest]}"
  done
  ratio_line "brightest / floor, CPU" "${CPU[long-brightest]}" "${CPU[long-floor]}"
  ratio_line "--sequence / plain, PNG, CPU" "${CPU[long-sequence-png]}" "${CPU[long-plain-png]}"
  echo "peak memory"
  for run in comet gap-fill darks; do
    ratio_line "$run / brightest, peak memory" "${MEMORY[long-$run]}" "${MEMORY[long-brightest]}"
  done
  ratio_line "brightest / vips bandrank, peak memory" "${MEMORY[long-brightest]}" \
    "${MEMORY[long-vips]}"
  echo "the time-lapse against the same run without it"
  ratio_line "--sequence / plain, PNG" "${TIME[long-sequence-png]}" "${TIME[long-plain-png]}"
  ratio_line "--sequence / plain, PNG, peak memory" "${MEMORY[long-sequence-png]}" \
    "${MEMORY[long-plain-png]}"
}

night_main() {
  ensure_peers
  start_bench
  cmake --build "$BUILD" --target lumicomb-night-figures >>"$WORK/build.log" 2>&1 ||
    { cat "$WORK/build.log" >&2; exit 1; }
  MAGICK=$(command -v convert || true)
  make_darks
  declare -gA TIME MEMORY CPU
  PASSED=0
  FAILED=0
  LOAD_PHOTOGRAPHS=$(cut -d' ' -f1-3 /proc/loadavg)
  measure_runs run_night "$ROUNDS" "night runs on the photographs: " "${NIGHT_RUNS[@]}"
  report_photographs
  if [ "$NIGHT_ROUNDS" -gt 0 ]; then
    make_long_night
    local runs=()
    for run in "${LONG_RUNS[@]}"; do [ "$run" = long-magick ] && [ -z "$MAGICK" ] || runs+=("$run"); done
    LOAD_LONG=$(cut -d' ' -f1-3 /proc/loadavg)
    measure_runs run_night "$NIGHT_ROUNDS" "the long night: " "${runs[@]}"
    report_long_night
  fi
  if [ "$FIGURE_FRAMES" -gt 0 ]; then
    log "measuring the blends of a night of $FIGURE_FRAMES frames"
    echo
    echo "what the blends make of the synthetic night (lumicomb-night-figures, PNG frames): gap and"
    echo "trail points lit to 0.6 of the star, pixels lit more than 3 px from any trail, the sky's"
    echo "median, hot pixels left of those away from trails; targets: gaps >= 97% with --gap-fill,"
    echo "trails unchanged, stray < 100, sky median unchanged, no hot pixel left with darks"
    "$FIGURES" "$WORK/figures" "$FIGURE_FRAMES" "$NIGHT_WIDTH" "$NIGHT_HEIGHT"
  fi
  echo "targets: $PASSED PASS, $FAILED FAIL"
}

night_main "$@"
