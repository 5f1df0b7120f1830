#!/usr/bin/env bash
# Times lumicomb-cli averaging 11 photographs against vips, GraphicsMagick and the decode-only
# floor, and prints median wall time and peak memory of each. It is a report, not a test: it
# exits 0 whether the targets pass or fail, and non-zero only when something could not be run.
#
#   bash bench/run.sh             # 7 measured rounds
#   ROUNDS=15 bash bench/run.sh   # more rounds for steadier medians
set -euo pipefail
cd "$(dirname "$0")/.."

readonly ROUNDS="${ROUNDS:-7}"
readonly PHOTO_COUNT=11
readonly CACHE=bench/.cache
readonly PHOTO_DIR="$CACHE/wallpapers"
readonly TOOLS=(lumicomb vips gm floor)

[[ "$ROUNDS" =~ ^[1-9][0-9]*$ ]] || { echo "ROUNDS must be a positive integer" >&2; exit 2; }

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

# C collation so the choice of photographs does not depend on the locale.
list_photos() {
  find "$PHOTO_DIR" -path '*/contents/images/2560x1600.jpg' | LC_ALL=C sort
}

# Ninja's chatter goes to a log that is shown only when the build fails.
build_tools() {
  log "building lumicomb-cli and lumicomb-decode-floor"
  { bash scripts/build.sh && cmake --build build --target lumicomb-decode-floor; } \
    >"$WORK/build.log" 2>&1 || { cat "$WORK/build.log" >&2; exit 1; }
}

# Runs one tool once on PHOTOS and appends "milliseconds peak-KB" to its samples file. The output
# is deleted first so every run writes a new file instead of overwriting pages already cached.
# The tools' stderr is kept aside (vips warns about EXIF on these files) and shown only on failure.
run_tool() {
  local tool=$1 out="$WORK/$1.tif"
  local command
  case "$tool" in
    lumicomb) command=(build/lumicomb-cli --quiet -o "$out" "${PHOTOS[@]}") ;;
    vips) command=(vips sum "${PHOTOS[*]}" "$out") ;;
    gm) command=(gm convert "${PHOTOS[@]}" -average -compress none "$out") ;;
    floor) command=(build/lumicomb-decode-floor "${PHOTOS[@]}") ;;
  esac
  rm -f "$out"
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f '%M' -o "$WORK/$tool.rss" "${command[@]}" 2>"$WORK/$tool.err" ||
    { echo "$tool failed:" >&2; cat "$WORK/$tool.err" >&2; exit 1; }
  end=$(date +%s%N)
  echo "$(((end - start) / 1000000)) $(tail -n 1 "$WORK/$tool.rss")" >>"$WORK/$tool.samples"
}

# One uncounted run of each tool puts the photographs and the programs in the page cache. Then the
# tools take turns, round by round, and the first tool of a round moves on each round, so none of
# them always runs right after the same neighbour.
measure() {
  local tool round i count=${#TOOLS[@]}
  for tool in "${TOOLS[@]}"; do run_tool "$tool"; done
  for tool in "${TOOLS[@]}"; do rm -f "$WORK/$tool.samples"; done
  for ((round = 0; round < ROUNDS; round++)); do
    log "round $((round + 1))/$ROUNDS"
    for ((i = 0; i < count; i++)); do
      run_tool "${TOOLS[(round + i) % count]}"
    done
  done
}

# Median of column COLUMN of a tool's samples (the mean of the middle two when the count is even).
median() {
  local tool=$1 column=$2
  cut -d' ' -f"$column" "$WORK/$tool.samples" | sort -n |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Prints "name: a / b = ratio" and, when a target is given, PASS or FAIL against it.
ratio_line() {
  local label=$1 numerator=$2 denominator=$3 target=${4:-}
  awk -v label="$label" -v n="$numerator" -v d="$denominator" -v t="$target" 'BEGIN {
    r = n / d
    verdict = (t == "") ? "" : sprintf("  (target <= %.2f)  %s", t, (r <= t) ? "PASS" : "FAIL")
    printf "%-28s %6.2f%s\n", label, r, verdict
  }'
}

report() {
  local tool ms kb
  declare -gA TIME MEMORY
  echo
  echo "$PHOTO_COUNT photographs 2560x1600, $ROUNDS rounds, medians"
  printf '%-10s %10s %10s\n' tool 'wall ms' 'peak MB'
  for tool in "${TOOLS[@]}"; do
    ms=$(median "$tool" 1)
    kb=$(median "$tool" 2)
    TIME[$tool]=$ms
    MEMORY[$tool]=$kb
    printf '%-10s %10.0f %10.1f\n' "$tool" "$ms" "$(awk -v kb="$kb" 'BEGIN { print kb / 1024 }')"
  done
  echo
  ratio_line "lumicomb / vips time" "${TIME[lumicomb]}" "${TIME[vips]}" 0.7
  ratio_line "lumicomb / floor time" "${TIME[lumicomb]}" "${TIME[floor]}" 1.4
  ratio_line "lumicomb / gm time" "${TIME[lumicomb]}" "${TIME[gm]}"
  ratio_line "lumicomb / vips peak memory" "${MEMORY[lumicomb]}" "${MEMORY[vips]}" 1.25
}

# A rough look at the result, not a test: the sizes of both results and how far lumicomb's average
# is from vips' sum divided by the count (rounded half up). The two use different JPEG decoders,
# so small differences are expected.
check_output() {
  echo
  echo "result check"
  (cd "$WORK" && vipsheader lumicomb.tif vips.tif 2>/dev/null)
  local reference="$WORK/reference.v" difference="$WORK/difference.v" absolute="$WORK/absolute.v"
  vips linear "$WORK/vips.tif" "$reference" "$(awk -v n="$PHOTO_COUNT" 'BEGIN { printf "%.17g", 1 / n }')" 0.5 \
    --uchar 2>/dev/null
  vips subtract "$WORK/lumicomb.tif" "$reference" "$difference"
  vips abs "$difference" "$absolute"
  printf 'lumicomb vs vips sum/%d: mean |difference| %.3f, max %.0f (of 255)\n' \
    "$PHOTO_COUNT" "$(vips avg "$absolute")" "$(vips max "$absolute")"
}

main() {
  mkdir -p "$CACHE"
  # On the repository's own disk, so writes cost what they cost for a user, not what RAM costs.
  WORK=$(mktemp -d "$CACHE/run.XXXXXX")
  trap 'rm -rf "$WORK"' EXIT
  ensure_peers
  fetch_photos
  mapfile -t PHOTOS < <(list_photos | head -n "$PHOTO_COUNT")
  [ ${#PHOTOS[@]} -eq "$PHOTO_COUNT" ] ||
    { echo "expected $PHOTO_COUNT photographs in $PHOTO_DIR, found ${#PHOTOS[@]}" >&2; exit 1; }
  build_tools
  measure
  report
  check_output
}

main "$@"
