#!/usr/bin/env bash
# Times the 11-photograph average saved as PNG against the same run saved as TIFF, and weighs the
# PNG against ImageMagick's default PNG of the same picture. Runs on its own, and at the end of
# bench/run.sh. A report, not a test: it exits 0 whatever the figures are.
#
#   bash bench/png_save.sh              # 5 measured rounds
#   ROUNDS=15 bash bench/png_save.sh    # steadier medians
source "$(dirname "$0")/run.sh" # its settings and helpers; sourced, it runs nothing itself

readonly PNG_TIME_TARGET=2.5
readonly PNG_SIZE_TARGET=1.12
# Debian's ImageMagick; a convert earlier on the PATH may be something else.
readonly MAGICK=/usr/bin/convert

# Runs the average into the given type once and appends its milliseconds to its samples file.
time_average() {
  local type=$1 out="$WORK/average.$1"
  rm -f "$out"
  local start end
  start=$(date +%s%N)
  "$CLI" --quiet -o "$out" "${PHOTOS[@]}"
  end=$(date +%s%N)
  echo $(((end - start) / 1000000)) >>"$WORK/$type.samples"
}

png_main() {
  if [ ! -x "$MAGICK" ]; then
    log "installing imagemagick"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq imagemagick >/dev/null
  fi
  start_bench
  local round load
  load=$(cut -d' ' -f1-3 /proc/loadavg)
  time_average tif
  time_average png
  rm -f "$WORK"/*.samples
  for ((round = 0; round < ROUNDS; round++)); do
    log "PNG save, round $((round + 1))/$ROUNDS"
    if ((round % 2)); then time_average png && time_average tif; else time_average tif && time_average png; fi
  done
  "$MAGICK" "$WORK/average.tif" "$WORK/magick.png"
  local tif png ours theirs
  tif=$(median tif 1)
  png=$(median png 1)
  ours=$(stat -c %s "$WORK/average.png")
  theirs=$(stat -c %s "$WORK/magick.png")
  PASSED=0
  FAILED=0
  echo
  echo "$PHOTO_COUNT photographs 2560x1600, average saved as TIFF and as PNG, $ROUNDS rounds, medians"
  echo "load average before the runs: $load"
  printf '%-32s %10.0f ms\n' "average to TIFF" "$tif" "average to PNG" "$png"
  printf '%-32s %10d bytes\n' "its PNG" "$ours" "ImageMagick's default PNG" "$theirs"
  ratio_line "PNG run / TIFF run, time" "$png" "$tif" "$PNG_TIME_TARGET"
  ratio_line "PNG / ImageMagick's PNG, size" "$ours" "$theirs" "$PNG_SIZE_TARGET"
  echo "targets: $PASSED PASS, $FAILED FAIL"
}

png_main "$@"
