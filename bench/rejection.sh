#!/usr/bin/env bash
# The rejecting means against siril-cli, the reference astronomers compare with: first how far
# their results are from Siril's `stack ... rej s|w 4 3 -nonorm` on frames with planted outliers
# and no zero samples (Siril takes 0 for "no data"; Lumicomb keeps it), at 16 and 8 bits and a few
# counts; then the time and peak memory of both rules on the 11 photographs, against "Average",
# "Median", the decode floor, the same run with --map, and Siril's conversion plus stack at 2
# threads. Runs on its own, and at the end of bench/run.sh; without siril-cli it says so and
# stops. A report, not a test: it exits 0 whatever the figures are.
#
#   bash bench/rejection.sh              # 3 measured rounds
#   ROUNDS=7 bash bench/rejection.sh     # steadier medians
#   COUNTS="5 12" bash bench/rejection.sh  # the stack sizes compared with Siril
#   COUNTS= bash bench/rejection.sh        # only the timings
ROUNDS="${ROUNDS:-3}"
source "$(dirname "$0")/run.sh" # its settings and helpers; sourced, it runs nothing itself

readonly COUNTS="${COUNTS-5 12 30}"
readonly FRAME_WIDTH=640 FRAME_HEIGHT=400
readonly REJECTION_RUNS=(
  floor average median sigma-clipped-mean sigma-clipped-mean-map siril-s
  winsorized-mean winsorized-mean-map siril-w
)
readonly SIRIL_THREADS=2
declare -A RULE_OF=([s]=sigma-clipped-mean [w]=winsorized-mean)

# A scene and its frames at DEPTH bits: the middle of the first photograph, lifted clear of 0,
# with noise of its own in every frame, 0.13% of the samples blown to white and 0.07% dropped to
# the darkest level but one. Made once; the stacks take the first frames they need.
make_outlier_frames() {
  local depth=$1
  local dir="$CACHE/rejection-frames-$depth"
  local most=${COUNTS##* } top=255 scale=0.94 offset=8 sigma=3 type=uchar i
  [ "$depth" -eq 16 ] && { top=65535; scale=240; offset=2000; sigma=300; type=ushort; }
  OUTLIER_DIR=$dir
  [ "$(find "$dir" -name 'f-*.tif' 2>/dev/null | wc -l)" -ge "$most" ] && return
  rm -rf "$dir"
  mkdir -p "$dir"
  local scene="$WORK/scene.v" one="$WORK/one.v" white="$WORK/white.v"
  vips extract_area "${PHOTOS[0]}" "$WORK/middle.v" 960 600 "$FRAME_WIDTH" "$FRAME_HEIGHT"
  vips linear "$WORK/middle.v" "$scene" "$scale" "$offset"
  vips linear "$scene" "$one" 0 1
  vips linear "$scene" "$white" 0 "$top"
  for ((i = 1; i <= most; i++)); do
    three_bands_of_noise "$sigma" "$i" "$WORK/noise.v"
    three_bands_of_noise 1 $((1000 + i)) "$WORK/chance.v"
    vips add "$scene" "$WORK/noise.v" "$WORK/noisy.v"
    vips relational_const "$WORK/chance.v" "$WORK/blown.v" more 3
    vips relational_const -- "$WORK/chance.v" "$WORK/dropped.v" less -3.2
    vips ifthenelse "$WORK/blown.v" "$white" "$WORK/noisy.v" "$WORK/a.v"
    vips ifthenelse "$WORK/dropped.v" "$one" "$WORK/a.v" "$WORK/b.v"
    vips cast "$WORK/b.v" "$WORK/c.v" "$type" # clips to the depth's range
    vips relational_const "$WORK/c.v" "$WORK/zero.v" less 1
    vips ifthenelse "$WORK/zero.v" "$one" "$WORK/c.v" "$WORK/d.v"
    vips cast "$WORK/d.v" "$dir/$(printf 'f-%02d.tif' "$i")" "$type"
  done
}

# Three bands of Gaussian noise of mean 0, one image wide three times over folded into bands.
three_bands_of_noise() {
  local sigma=$1 seed=$2 out=$3
  vips gaussnoise "$WORK/wide.v" $((3 * FRAME_WIDTH)) "$FRAME_HEIGHT" --mean 0 --sigma "$sigma" \
    --seed "$seed"
  vips bandfold "$WORK/wide.v" "$out" --factor 3
}

# Writes into DIR a Siril script that converts every image in IN into a sequence and stacks it
# with the given rejections (s, w), 4 and 3, without normalisation, into DIR/result-<rejection>.
siril_script() {
  local in=$1 dir=$2 rejection
  shift 2
  {
    echo "requires 1.0.0"
    echo "setcpu $SIRIL_THREADS"
    echo "cd $PWD/$in"
    echo "convert frame -out=$PWD/$dir/sequence"
    echo "cd $PWD/$dir/sequence"
    for rejection in "$@"; do
      echo "stack frame_ rej $rejection 4 3 -nonorm -out=$PWD/$dir/result-$rejection"
    done
  } >"$dir/stack.ssf"
}

# Prints the share of lumicomb's samples within 1 level of Siril's float result (Siril writes
# every 8- and 16-bit stack as a fraction of 65535), and the largest difference in levels.
agreement() {
  local ours=$1 siril=$2
  vips linear "$siril" "$WORK/siril.v" 65535 0
  vips subtract "$ours" "$WORK/siril.v" "$WORK/difference.v"
  vips abs "$WORK/difference.v" "$WORK/absolute.v"
  # Siril's float holds its mean to 1/256 of a level at the top of the range.
  vips relational_const "$WORK/absolute.v" "$WORK/within.v" lesseq 1.01
  awk -v within="$(vips avg "$WORK/within.v")" -v largest="$(vips max "$WORK/absolute.v")" \
    'BEGIN { printf "%9.4f%% %8.2f", 100 * within / 255, largest }'
}

compare_with_siril() {
  local depth count rejection dir i
  echo
  echo "agreement with siril-cli $(siril-cli --version | cut -d' ' -f2): stack ... rej s|w 4 3 -nonorm"
  echo "frames ${FRAME_WIDTH}x${FRAME_HEIGHT} with outliers and no zero samples"
  printf '%-28s %10s %8s %10s %8s\n' "" "s within 1" largest "w within 1" largest
  for depth in 16 8; do
    make_outlier_frames "$depth"
    for count in $COUNTS; do
      dir="$WORK/agree-$depth-$count"
      mkdir -p "$dir/in"
      for ((i = 1; i <= count; i++)); do
        ln -s "$PWD/$OUTLIER_DIR/$(printf 'f-%02d.tif' "$i")" "$dir/in/$(printf 'frame-%02d.tif' "$i")"
      done
      siril_script "$dir/in" "$dir" s w
      siril-cli -s "$dir/stack.ssf" >"$dir/siril.log" 2>&1 ||
        { echo "siril-cli failed:" >&2; tail -n 20 "$dir/siril.log" >&2; exit 1; }
      printf '%-28s' "$depth bits, $count frames"
      for rejection in s w; do
        "$CLI" --quiet -r "${RULE_OF[$rejection]}" --depth "$depth" --no-metadata \
          -o "$dir/$rejection.tif" "$dir"/in/frame-*.tif
        printf ' %s' "$(agreement "$dir/$rejection.tif" "$dir/result-$rejection.fit")"
      done
      echo
    done
  done
  echo "target: within 1 level on >= 99.9% of the samples, never more than 2"
}

# Sets COMMAND to one timed run writing into OUT.
rejection_command() {
  local run=$1 out=$2
  case "$run" in
    floor) COMMAND=("$FLOOR" "${PHOTOS[@]}") ;;
    *-map) COMMAND=("$CLI" --quiet -r "${run%-map}" --map "$WORK/map.tif" -o "$out" "${PHOTOS[@]}") ;;
    siril-*)
      rm -rf "$WORK/$run/sequence" "$WORK/$run"/result-*
      COMMAND=(siril-cli -s "$WORK/$run/stack.ssf") ;;
    *) COMMAND=("$CLI" --quiet -r "$run" -o "$out" "${PHOTOS[@]}") ;;
  esac
}

time_run() {
  local run=$1 out="$WORK/$1.tif" start end
  rejection_command "$run" "$out"
  rm -f "$out" "$WORK/map.tif"
  start=$(date +%s%N)
  /usr/bin/time -f '%M' -o "$WORK/$run.rss" "${COMMAND[@]}" >"$WORK/$run.err" 2>&1 ||
    { echo "$run failed:" >&2; tail -n 20 "$WORK/$run.err" >&2; exit 1; }
  end=$(date +%s%N)
  echo "$(((end - start) / 1000000)) $(tail -n 1 "$WORK/$run.rss")" >>"$WORK/$run.samples"
}

time_on_photographs() {
  local run i load rejection
  # Siril converts what lies in one folder, and only photographs of one channel count: the
  # photographs linked into one, a greyscale one saved again in colour once (both sides read it).
  mkdir -p "$WORK/photos" "$CACHE/rejection-colour"
  local bands name
  for ((i = 0; i < PHOTO_COUNT; i++)); do
    name=$(printf 'frame-%02d.jpg' "$i")
    bands=$(vipsheader -f bands "${PHOTOS[i]}" 2>/dev/null)
    if [ "$bands" -eq 1 ]; then
      [ -f "$CACHE/rejection-colour/$name" ] ||
        vips colourspace "${PHOTOS[i]}" "$CACHE/rejection-colour/${name}[Q=95]" srgb 2>/dev/null
      PHOTOS[i]="$CACHE/rejection-colour/$name"
    fi
    ln -s "$PWD/${PHOTOS[i]}" "$WORK/photos/$name"
  done
  for rejection in s w; do
    mkdir -p "$WORK/siril-$rejection"
    siril_script "$WORK/photos" "$WORK/siril-$rejection" "$rejection"
  done
  load=$(cut -d' ' -f1-3 /proc/loadavg)
  measure_runs time_run "$ROUNDS" "rejection runs: " "${REJECTION_RUNS[@]}"
  declare -gA TIME MEMORY
  echo
  echo "$PHOTO_COUNT photographs 2560x1600, JPEG to TIFF, $ROUNDS rounds, medians"
  echo "load average before the runs: $load"
  printf '%-40s %10s %10s\n' "run" 'wall ms' 'peak MB'
  for run in "${REJECTION_RUNS[@]}"; do
    TIME[$run]=$(median "$run" 1)
    MEMORY[$run]=$(median "$run" 2)
    printf '%-40s %10.0f %10.1f\n' "$run" "${TIME[$run]}" \
      "$(awk -v kb="${MEMORY[$run]}" 'BEGIN { print kb / 1024 }')"
  done
  for rejection in s w; do
    local rule=${RULE_OF[$rejection]}
    echo "$rule"
    ratio_line "time / floor" "${TIME[$rule]}" "${TIME[floor]}" 1.6
    ratio_line "time / average" "${TIME[$rule]}" "${TIME[average]}"
    ratio_line "time / median" "${TIME[$rule]}" "${TIME[median]}"
    ratio_line "peak memory / median's" "${MEMORY[$rule]}" "${MEMORY[median]}" 1.1
    ratio_line "time / siril-cli convert + stack ($SIRIL_THREADS threads)" "${TIME[$rule]}" \
      "${TIME[siril-$rejection]}" 0.2
    ratio_line "peak memory / siril-cli's" "${MEMORY[$rule]}" "${MEMORY[siril-$rejection]}"
    ratio_line "time with --map / without" "${TIME[$rule-map]}" "${TIME[$rule]}" 1.1
  done
}

rejection_main() {
  if ! command -v siril-cli >/dev/null; then
    echo "siril-cli is not installed (Debian package siril): the rejecting means are not compared"
    return 0
  fi
  ensure_peers
  start_bench
  PASSED=0
  FAILED=0
  [ -z "$COUNTS" ] || compare_with_siril
  time_on_photographs
  echo "targets: $PASSED PASS, $FAILED FAIL"
}

rejection_main "$@"
