#!/usr/bin/env bash
# Times every lumicomb-cli rule on 11 photographs against vips, GraphicsMagick and the decode-only
# floor, and prints median wall time and peak memory of each, then times a 200-frame median against
# the decode-only floor of the same frames. It is a report, not a test: it exits 0 whether the
# targets pass or fail, and non-zero only when something could not be run.
#
#   bash bench/run.sh                  # 5 measured rounds, then the 200-frame runs once each
#   ROUNDS=15 bash bench/run.sh        # more rounds for steadier medians
#   SCALE_ROUNDS=3 bash bench/run.sh   # the 200-frame runs three times each, medians
#   SCALE=0 bash bench/run.sh          # without the 200-frame runs
#   FUSION=0 bash bench/run.sh         # without bench/fusion.sh (focus stacking, exposure fusion)
#   REJECTION=0 bash bench/run.sh      # without bench/rejection.sh (the rejecting means and Siril)
set -euo pipefail
cd "$(dirname "$0")/.."

readonly ROUNDS="${ROUNDS:-5}"
readonly SCALE="${SCALE:-1}"
readonly SCALE_ROUNDS="${SCALE_ROUNDS:-1}"
readonly PHOTO_COUNT=11
readonly CACHE=bench/.cache
readonly PHOTO_DIR="$CACHE/wallpapers"
readonly FRAME_DIR="$CACHE/frames"
readonly HANDHELD_DIR="$CACHE/handheld"
readonly BUILD="$CACHE/build"
readonly CLI="$BUILD/lumicomb-cli"
readonly FLOOR="$BUILD/lumicomb-decode-floor"
# The "Different from first by RGB value" box's own default, so the run is what a user gets.
readonly LIMIT=5
readonly SCALE_FRAMES=200
readonly SCALE_MEMORY_MIB=1024
# 1.3 GiB: the 1 GiB budget plus room for the program itself and what it holds outside the budget.
readonly SCALE_PEAK_LIMIT_MB=1331.2

# Every peer sits right after the lumicomb runs it is compared with, so that in each round the two
# sides of a ratio run close together and share whatever else the machine is doing at the time.
# Lumicomb's runs are named after their rule; "-16" runs keep 16 bits per channel and sit right
# after their 8-bit run.
readonly TOOLS=(
  median median-16 vips-median average-of-commonest
  brightest vips-brightest
  darkest vips-darkest
  average average-16 vips-sum gm
  sum-and-divide different-from-first floor most-different-from-average
  dynamic-range floor-2
  handheld-median handheld-aligned floor-handheld
)
# The floor comes first, so the median with the budget is measured right after it, as the
# photographs' rules are after theirs.
readonly SCALE_RUNS=(floor-200 median-200-budget median-200-default)

[[ "$ROUNDS" =~ ^[1-9][0-9]*$ ]] || { echo "ROUNDS must be a positive integer" >&2; exit 2; }
[[ "$SCALE" =~ ^[01]$ ]] || { echo "SCALE must be 0 or 1" >&2; exit 2; }
[[ "$SCALE_ROUNDS" =~ ^[1-9][0-9]*$ ]] ||
  { echo "SCALE_ROUNDS must be a positive integer" >&2; exit 2; }

log() { echo "== $*" >&2; }

# The peers come from Debian only. The package lists are refreshed only when something is missing,
# so a machine that has everything runs offline.
ensure_peers() {
  local missing=()
  command -v vips >/dev/null || missing+=(libvips-tools)
  command -v gm >/dev/null || missing+=(graphicsmagick)
  [ -x /usr/bin/time ] || missing+=(time)
  [ ${#missing[@]} -eq 0 ] && return
  log "installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Real photographs, all 2560x1600, from a Debian package so every machine measures the same bytes.
# The package is unpacked once into the cache; the .deb itself is not kept.
fetch_photos() {
  if [ -d "$PHOTO_DIR" ] && [ "$(list_photos | wc -l)" -ge "$PHOTO_COUNT" ]; then
    return
  fi
  log "fetching plasma-workspace-wallpapers"
  local download="$CACHE/download"
  rm -rf "$download" "$PHOTO_DIR"
  mkdir -p "$download"
  # The download runs as root because the _apt user cannot write into the work tree; saying so
  # up front keeps apt from warning about it. Without package lists the package is not known yet.
  local apt_download=(apt-get download -q -o APT::Sandbox::User=root plasma-workspace-wallpapers)
  (cd "$download" && "${apt_download[@]}" >/dev/null 2>&1) ||
    { apt-get update -qq && (cd "$download" && "${apt_download[@]}" >/dev/null); }
  dpkg -x "$download"/plasma-workspace-wallpapers_*.deb "$PHOTO_DIR"
  rm -rf "$download"
}

# A burst shot by hand, made from the first photograph: each frame moved by up to 2% of the side
# and turned by up to 1.2 degrees about the centre, then saved as a JPEG of the same size.
make_handheld() {
  local i angle dx dy
  if [ "$(find "$HANDHELD_DIR" -name 'shot-*.jpg' 2>/dev/null | wc -l)" -ne "$PHOTO_COUNT" ]; then
    rm -rf "$HANDHELD_DIR"
    mkdir -p "$HANDHELD_DIR"
    for ((i = 0; i < PHOTO_COUNT; i++)); do
      read -r angle dx dy < <(awk -v i="$i" 'BEGIN {
        printf "%.3f %.2f %.2f\n", (i == 0) ? 0 : 1.2 * sin(i * 2.1), (i == 0) ? 0 : 50 * sin(i * 1.3),
          (i == 0) ? 0 : 32 * cos(i * 0.7 + 1) }')
      awk -v a="$angle" 'BEGIN { r = a * 3.14159265358979 / 180
        printf "%.9f %.9f %.9f %.9f\n", cos(r), -sin(r), sin(r), cos(r) }' >"$WORK/matrix"
      vips affine "${PHOTOS[0]}" "$HANDHELD_DIR/shot-$i.jpg[Q=95]" "$(cat "$WORK/matrix")" \
        --oarea "0 0 2560 1600" --odx "$(awk -v d="$dx" -v a="$angle" 'BEGIN {
          r = a * 3.14159265358979 / 180; printf "%.3f", d + 1280 - 1280 * cos(r) + 800 * sin(r) }')" \
        --ody "$(awk -v d="$dy" -v a="$angle" 'BEGIN {
          r = a * 3.14159265358979 / 180; printf "%.3f", d + 800 - 1280 * sin(r) - 800 * cos(r) }')"
    done
  fi
  mapfile -t HANDHELD < <(find "$HANDHELD_DIR" -name 'shot-*.jpg' | LC_ALL=C sort)
}

# C collation so the choice of photographs does not depend on the locale.
list_photos() {
  find -L "$PHOTO_DIR" -path '*/contents/images/2560x1600.jpg' | LC_ALL=C sort
}

# The 200 frames are the wallpapers over and over, each link under a name of its own, so the run
# opens 200 files as a real sequence would. Only a dozen distinct files are read, which keeps the
# disk out of the measurement: what is measured is how the median holds 200 frames in memory.
make_frames() {
  local sources i
  mapfile -t sources < <(list_photos)
  rm -rf "$FRAME_DIR"
  mkdir -p "$FRAME_DIR"
  for ((i = 0; i < SCALE_FRAMES; i++)); do
    ln -s "$PWD/${sources[i % ${#sources[@]}]}" "$FRAME_DIR/$(printf 'frame-%03d.jpg' "$i")"
  done
  mapfile -t FRAMES < <(find "$FRAME_DIR" -name 'frame-*.jpg' | LC_ALL=C sort)
}

# A Release tree of its own under the cache: the figures are those of optimised code whatever
# build/ was configured as, and a developer's build folder is never rebuilt under their feet.
# Missing packages are installed in the open, since apt may ask for a password; Ninja's chatter
# goes to a log that is shown only when the build fails.
build_tools() {
  bash scripts/install-deps.sh
  log "building lumicomb-cli and lumicomb-decode-floor in $BUILD"
  { cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release &&
    cmake --build "$BUILD" --target lumicomb-cli lumicomb-decode-floor; } \
    >"$WORK/build.log" 2>&1 || { cat "$WORK/build.log" >&2; exit 1; }
}

# Sets COMMAND to one tool's command line, writing its result to OUT. vips takes its list of
# inputs as one space-separated argument. bandrank sorts each position's 11 values: index 10 is
# the brightest, 0 the darkest, and its default the median. Dynamic range blends exactly two
# photographs, so it and its own floor get the first two.
command_for() {
  local tool=$1 out=$2
  local two=("${PHOTOS[@]:0:2}")
  case "$tool" in
    sum-and-divide) COMMAND=("$CLI" --quiet -r "$tool" -d "$PHOTO_COUNT" -o "$out" "${PHOTOS[@]}") ;;
    different-from-first) COMMAND=("$CLI" --quiet -r "$tool" -l "$LIMIT" -o "$out" "${PHOTOS[@]}") ;;
    dynamic-range) COMMAND=("$CLI" --quiet -r "$tool" -o "$out" "${two[@]}") ;;
    *-16) COMMAND=("$CLI" --quiet -r "${tool%-16}" --depth 16 -o "$out" "${PHOTOS[@]}") ;;
    median-200-budget)
      COMMAND=("$CLI" --quiet -r median --memory "$SCALE_MEMORY_MIB" -o "$out" "${FRAMES[@]}") ;;
    median-200-default) COMMAND=("$CLI" --quiet -r median -o "$out" "${FRAMES[@]}") ;;
    floor-200) COMMAND=("$FLOOR" "${FRAMES[@]}") ;;
    vips-sum) COMMAND=(vips sum "${PHOTOS[*]}" "$out") ;;
    vips-median) COMMAND=(vips bandrank "${PHOTOS[*]}" "$out") ;;
    vips-brightest) COMMAND=(vips bandrank "${PHOTOS[*]}" "$out" --index $((PHOTO_COUNT - 1))) ;;
    vips-darkest) COMMAND=(vips bandrank "${PHOTOS[*]}" "$out" --index 0) ;;
    gm) COMMAND=(gm convert "${PHOTOS[@]}" -average -compress none "$out") ;;
    floor) COMMAND=("$FLOOR" "${PHOTOS[@]}") ;;
    floor-2) COMMAND=("$FLOOR" "${two[@]}") ;;
    handheld-median) COMMAND=("$CLI" --quiet -r median -o "$out" "${HANDHELD[@]}") ;;
    handheld-aligned) COMMAND=("$CLI" --quiet -r median --align -o "$out" "${HANDHELD[@]}") ;;
    floor-handheld) COMMAND=("$FLOOR" "${HANDHELD[@]}") ;;
    *) COMMAND=("$CLI" --quiet -r "$tool" -o "$out" "${PHOTOS[@]}") ;;
  esac
}

# Runs one tool once and appends "milliseconds peak-KB" to its samples file. The output is
# deleted first so every run writes a new file instead of overwriting pages already cached.
# The tools' stderr is kept aside (vips warns about EXIF on these files) and shown only on failure.
run_tool() {
  local tool=$1 out="$WORK/$1.tif"
  command_for "$tool" "$out"
  rm -f "$out"
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f '%M' -o "$WORK/$tool.rss" "${COMMAND[@]}" 2>"$WORK/$tool.err" ||
    { echo "$tool failed:" >&2; cat "$WORK/$tool.err" >&2; exit 1; }
  end=$(date +%s%N)
  echo "$(((end - start) / 1000000)) $(tail -n 1 "$WORK/$tool.rss")" >>"$WORK/$tool.samples"
}

# measure_runs RUNNER ROUNDS LABEL RUN...: one uncounted run of each puts the photographs and the
# programs in the page cache. Then the runs take turns, round by round: the first of a round moves
# on each round, and every other round goes backwards, so that no run always comes right after the
# same neighbour. What a run left for the disk to write is written before the next one starts, so
# that it is not timed as the next one's. RUNNER times one run into $WORK/RUN.samples; LABEL starts
# the lines of the log.
measure_runs() {
  local runner=$1 rounds=$2 label=$3 run round i k
  shift 3
  local runs=("$@") count=$#
  log "${label}warming up"
  for run in "${runs[@]}"; do "$runner" "$run" && sync; done
  for run in "${runs[@]}"; do rm -f "$WORK/$run.samples"; done
  for ((round = 0; round < rounds; round++)); do
    log "${label}round $((round + 1))/$rounds"
    for ((i = 0; i < count; i++)); do
      k=$(((round + i) % count))
      ((round % 2 == 0)) || k=$((count - 1 - k))
      "$runner" "${runs[k]}" && sync
    done
  done
}

measure() { measure_runs run_tool "$ROUNDS" "" "${TOOLS[@]}"; }

# One run of each is the default: a 200-frame median takes seconds, far above the noise, and its
# peak memory barely moves from run to run. More rounds steady the time against the floor.
measure_scale() {
  local tool round
  for ((round = 0; round < SCALE_ROUNDS; round++)); do
    for tool in "${SCALE_RUNS[@]}"; do
      log "$tool: $SCALE_FRAMES frames, round $((round + 1))/$SCALE_ROUNDS"
      run_tool "$tool"
    done
  done
}

# Median of column COLUMN of a tool's samples (the mean of the middle two when the count is even).
median() {
  local tool=$1 column=$2
  cut -d' ' -f"$column" "$WORK/$tool.samples" | sort -n |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Prints "name: a / b = ratio" and, when a target is given, PASS or FAIL against it, counting both.
ratio_line() {
  local label=$1 numerator=$2 denominator=$3 target=${4:-} line
  line=$(awk -v label="$label" -v n="$numerator" -v d="$denominator" -v t="$target" 'BEGIN {
    r = n / d
    verdict = (t == "") ? "" : sprintf("  (target <= %.2f)  %s", t, (r <= t) ? "PASS" : "FAIL")
    printf "%-48s %6.2f%s\n", label, r, verdict
  }')
  echo "$line"
  case "$line" in
    *PASS) PASSED=$((PASSED + 1)) ;;
    *FAIL) FAILED=$((FAILED + 1)) ;;
  esac
}

# What each tool's row says in the table; lumicomb's rows are its rule names.
describe() {
  case "$1" in
    vips-sum) echo "vips sum" ;;
    vips-median) echo "vips bandrank (median)" ;;
    vips-brightest) echo "vips bandrank --index $((PHOTO_COUNT - 1))" ;;
    vips-darkest) echo "vips bandrank --index 0" ;;
    gm) echo "gm convert -average" ;;
    floor) echo "decode floor" ;;
    floor-2) echo "decode floor, 2 photographs" ;;
    dynamic-range) echo "dynamic-range, 2 photographs" ;;
    median-200-budget) echo "median, --memory $SCALE_MEMORY_MIB" ;;
    median-200-default) echo "median, default budget" ;;
    floor-200) echo "decode floor" ;;
    *-16) echo "${1%-16} --depth 16" ;;
    handheld-median) echo "median" ;;
    handheld-aligned) echo "median --align" ;;
    floor-handheld) echo "decode floor" ;;
    *) echo "$1" ;;
  esac
}

# Fills TIME and MEMORY (KB) with a tool's medians and prints its row of the table.
table_row() {
  local tool=$1
  TIME[$tool]=$(median "$tool" 1)
  MEMORY[$tool]=$(median "$tool" 2)
  printf '%-32s %10.0f %10.1f\n' "$(describe "$tool")" "${TIME[$tool]}" \
    "$(awk -v kb="${MEMORY[$tool]}" 'BEGIN { print kb / 1024 }')"
}

report() {
  local tool
  declare -gA TIME MEMORY
  PASSED=0
  FAILED=0
  echo
  echo "$PHOTO_COUNT photographs 2560x1600, JPEG to TIFF, $ROUNDS rounds, medians"
  echo "load average before the runs: $LOAD_BEFORE"
  printf '%-32s %10s %10s\n' "lumicomb-cli -r" 'wall ms' 'peak MB'
  for tool in "${TOOLS[@]}"; do
    case "$tool" in vips-* | gm | floor* | *-16 | handheld-*) continue ;; esac
    table_row "$tool"
  done
  for tool in "${TOOLS[@]}"; do
    case "$tool" in *-16) table_row "$tool" ;; esac
  done
  printf '%-32s %10s %10s\n' "peers" 'wall ms' 'peak MB'
  for tool in "${TOOLS[@]}"; do
    case "$tool" in vips-* | gm | floor | floor-2) table_row "$tool" ;; esac
  done
  printf '%-32s %10s %10s\n' "a handheld burst of $PHOTO_COUNT" 'wall ms' 'peak MB'
  for tool in handheld-median handheld-aligned floor-handheld; do table_row "$tool"; done

  # The rules that keep every photograph at once are held to the tool that sorts every position.
  echo
  echo "time against vips and GraphicsMagick"
  ratio_line "median / vips bandrank" "${TIME[median]}" "${TIME[vips-median]}" 0.4
  ratio_line "brightest / vips bandrank --index $((PHOTO_COUNT - 1))" \
    "${TIME[brightest]}" "${TIME[vips-brightest]}" 0.75
  ratio_line "darkest / vips bandrank --index 0" "${TIME[darkest]}" "${TIME[vips-darkest]}" 0.75
  ratio_line "average-of-commonest / vips bandrank" \
    "${TIME[average-of-commonest]}" "${TIME[vips-median]}" 1.0
  ratio_line "most-different-from-average / vips bandrank" \
    "${TIME[most-different-from-average]}" "${TIME[vips-median]}"
  ratio_line "average / vips sum" "${TIME[average]}" "${TIME[vips-sum]}" 0.7
  ratio_line "average / gm" "${TIME[average]}" "${TIME[gm]}"

  # A rule that reads each photograph once should cost little more than decoding it; one that
  # holds them all and works every position over, a little more.
  echo
  echo "time against the decode floor"
  for tool in average sum-and-divide brightest darkest different-from-first; do
    ratio_line "$tool / floor" "${TIME[$tool]}" "${TIME[floor]}" 1.15
  done
  ratio_line "median / floor" "${TIME[median]}" "${TIME[floor]}" 1.35
  for tool in average-of-commonest most-different-from-average; do
    ratio_line "$tool / floor" "${TIME[$tool]}" "${TIME[floor]}" 1.4
  done
  ratio_line "dynamic-range / floor, 2 photographs" "${TIME[dynamic-range]}" "${TIME[floor-2]}" 1.4

  # One-sweep rules hold a running result, like vips sum; the others hold every photograph, like
  # bandrank.
  echo
  echo "peak memory"
  for tool in average sum-and-divide brightest darkest different-from-first; do
    ratio_line "$tool / vips sum" "${MEMORY[$tool]}" "${MEMORY[vips-sum]}" 1.25
  done
  for tool in median average-of-commonest most-different-from-average; do
    ratio_line "$tool / vips bandrank" "${MEMORY[$tool]}" "${MEMORY[vips-median]}" 1.5
  done

  # Twice the bytes per sample; decoding the same JPEGs dominates, so time should grow far less.
  echo
  echo "16 bits per channel against 8"
  ratio_line "average --depth 16 / average, time" "${TIME[average-16]}" "${TIME[average]}" 1.3
  ratio_line "median --depth 16 / median, time" "${TIME[median-16]}" "${TIME[median]}" 1.5
  for tool in average median; do
    ratio_line "$tool --depth 16 / $tool, peak memory" "${MEMORY[$tool-16]}" "${MEMORY[$tool]}" 2
  done

  # Aligning fits every frame to image 1 on a fresh decode, then warps each as it is gathered.
  echo
  echo "alignment of a handheld burst"
  ratio_line "(median --align - median) / floor" \
    "$(awk -v a="${TIME[handheld-aligned]}" -v m="${TIME[handheld-median]}" 'BEGIN { print a - m }')" \
    "${TIME[floor-handheld]}" 1.0
}

# The budget is what keeps a long sequence within reach of a small machine; without it, the
# default budget (a quarter of the memory) may hold every frame, which is shown for comparison.
report_scale() {
  local tool
  echo
  echo "$SCALE_FRAMES frames 2560x1600, $SCALE_ROUNDS round(s), medians"
  echo "load average before the runs: $LOAD_BEFORE_SCALE"
  printf '%-32s %10s %10s\n' "run" 'wall ms' 'peak MB'
  for tool in "${SCALE_RUNS[@]}"; do table_row "$tool"; done
  ratio_line "median with --memory $SCALE_MEMORY_MIB / floor" \
    "${TIME[median-200-budget]}" "${TIME[floor-200]}" 1.35
  ratio_line "median with the default budget / floor" \
    "${TIME[median-200-default]}" "${TIME[floor-200]}"
  local line
  line=$(awk -v kb="${MEMORY[median-200-budget]}" -v limit="$SCALE_PEAK_LIMIT_MB" -v mib="$SCALE_MEMORY_MIB" 'BEGIN {
    mb = kb / 1024
    printf "%-48s %6.1f  (target < %.1f MB)  %s\n", "peak MB with --memory " mib, mb, limit,
      (mb < limit) ? "PASS" : "FAIL"
  }')
  echo "$line"
  case "$line" in
    *PASS) PASSED=$((PASSED + 1)) ;;
    *FAIL) FAILED=$((FAILED + 1)) ;;
  esac
}

# How far one result is from another, as mean and largest absolute difference per sample.
difference_line() {
  local label=$1 ours=$2 theirs=$3
  local difference="$WORK/difference.v" absolute="$WORK/absolute.v"
  vips subtract "$ours" "$theirs" "$difference"
  vips abs "$difference" "$absolute"
  printf '%-48s mean |difference| %.3f, max %.0f (of 255)\n' \
    "$label" "$(vips avg "$absolute")" "$(vips max "$absolute")"
}

# A rough look at the results, not a test: lumicomb's average against vips' sum divided by the
# count (rounded half up), and the rules that pick one photograph's value at each position against
# bandrank's pick. The two use different JPEG decoders, so small differences are expected.
check_output() {
  echo
  echo "result check"
  (cd "$WORK" && vipsheader average.tif vips-sum.tif median.tif vips-median.tif 2>/dev/null)
  local reference="$WORK/reference.v"
  vips linear "$WORK/vips-sum.tif" "$reference" "$(awk -v n="$PHOTO_COUNT" 'BEGIN { printf "%.17g", 1 / n }')" 0.5 \
    --uchar 2>/dev/null
  difference_line "average vs vips sum/$PHOTO_COUNT" "$WORK/average.tif" "$reference"
  difference_line "median vs vips bandrank" "$WORK/median.tif" "$WORK/vips-median.tif"
  difference_line "brightest vs vips bandrank --index $((PHOTO_COUNT - 1))" \
    "$WORK/brightest.tif" "$WORK/vips-brightest.tif"
  difference_line "darkest vs vips bandrank --index 0" "$WORK/darkest.tif" "$WORK/vips-darkest.tif"
}

# How every script here starts: a work folder of its own (gone on exit), the photographs in PHOTOS,
# and the tools built.
start_bench() {
  mkdir -p "$CACHE"
  # On the repository's own disk, so writes cost what they cost for a user, not what RAM costs.
  WORK=$(mktemp -d "$CACHE/run.XXXXXX")
  trap 'rm -rf "$WORK"' EXIT
  fetch_photos
  mapfile -t PHOTOS < <(list_photos | head -n "$PHOTO_COUNT")
  [ ${#PHOTOS[@]} -eq "$PHOTO_COUNT" ] ||
    { echo "expected $PHOTO_COUNT photographs in $PHOTO_DIR, found ${#PHOTOS[@]}" >&2; exit 1; }
  build_tools
}

main() {
  ensure_peers
  start_bench
  make_handheld
  # Other work on the machine shows in every figure; the load average says how much there was.
  LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
  measure
  if [ "$SCALE" -eq 1 ]; then
    make_frames
    LOAD_BEFORE_SCALE=$(cut -d' ' -f1-3 /proc/loadavg)
    measure_scale
  fi
  report
  [ "$SCALE" -eq 0 ] || report_scale
  echo
  echo "targets: $PASSED PASS, $FAILED FAIL"
  check_output
  bash bench/png_save.sh
  bash bench/night.sh
  [ "${FUSION:-1}" -eq 0 ] || bash bench/fusion.sh
  [ "${REJECTION:-1}" -eq 0 ] || bash bench/rejection.sh
}

# bench/png_save.sh, night.sh, fusion.sh and rejection.sh source this file for its settings and helpers.
[[ "${BASH_SOURCE[0]}" != "$0" ]] || main "$@"
