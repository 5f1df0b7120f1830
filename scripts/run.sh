#!/usr/bin/env bash
# Builds Lumicomb and makes two small demo bursts: one on a tripod, one shot by hand, whose plain
# and aligned averages it writes as a before/after pair, and a night of star trails, blended plain,
# with its gaps closed and as comet trails. With a display it then opens the desktop
# program with the first burst loaded and previewed; without one it blends that burst with
# lumicomb-cli instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh lumicomb lumicomb-cli lumicomb-demo-stack
out=demo-output
rm -rf "$out/frames"
build/lumicomb-demo-stack "$out/frames" 7
frames=("$out"/frames/frame_*.png)

rm -rf "$out/handheld"
build/lumicomb-demo-stack --handheld "$out/handheld" 9
shots=("$out"/handheld/shot_*.png)
build/lumicomb-cli --quiet --rule average -o "$out/handheld-average.png" "${shots[@]}"
build/lumicomb-cli --rule average --align -o "$out/handheld-average-aligned.png" "${shots[@]}"
echo "A burst of ${#shots[@]} frames shot by hand, in $out/handheld:"
echo "  $out/handheld-average.png          (before: the frames blended as they stand, a smear)"
echo "  $out/handheld-average-aligned.png  (after: aligned first with --align, sharp and clean)"

# A night of star trails with pauses between the frames, hot pixels and five darks.
rm -rf "$out/night"
build/lumicomb-demo-stack --night "$out/night" 12
nights=("$out"/night/night_*.png)
darks=(--dark "$out/night/darks")
build/lumicomb-cli --quiet -r brightest "${darks[@]}" -o "$out/night-brightest.png" "${nights[@]}"
build/lumicomb-cli --quiet -r brightest --gap-fill "${darks[@]}" -o "$out/night-gap-filled.png" \
  "${nights[@]}"
build/lumicomb-cli --quiet -r comet --half-life 4 --gap-fill "${darks[@]}" \
  -o "$out/night-comet.png" "${nights[@]}"
echo "A night of ${#nights[@]} frames of star trails, with darks, in $out/night:"
echo "  $out/night-brightest.png   (before: dotted trails, the pauses between frames left dark)"
echo "  $out/night-gap-filled.png  (after: --gap-fill closes the gaps; the darks took the hot pixels)"
echo "  $out/night-comet.png       (comet trails: each star's trail fades behind it)"

rm -rf "$out/focus"
build/lumicomb-demo-stack --focus "$out/focus" 8
slices=("$out"/focus/slice_*.png)
cp "${slices[2]}" "$out/focus-slice.png"
build/lumicomb-cli --quiet --rule sharpest -o "$out/focus-sharpest.png" "${slices[@]}"
echo "A focus stack of ${#slices[@]} slices, focused from far to near, in $out/focus:"
echo "  $out/focus-slice.png     (before: one slice, sharp only at its own depth)"
echo "  $out/focus-sharpest.png  (after: \"Sharpest\" takes every part from the slice where it is sharp)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Opening Lumicomb with the ${#frames[@]} demo frames from $out/frames"
  exec build/lumicomb --preview "${frames[@]}"
fi

echo "No display: blending the demo frames with lumicomb-cli instead"
build/lumicomb-cli --rule average -o "$out/average.png" "${frames[@]}"
build/lumicomb-cli --rule sum-and-divide --divisor 5 -o "$out/sum-divided-by-5.png" "${frames[@]}"
build/lumicomb-cli --rule median -o "$out/median.png" "${frames[@]}"
build/lumicomb-cli --rule brightest -o "$out/brightest.png" "${frames[@]}"
echo "Blended ${#frames[@]} frames from $out/frames:"
echo "  $out/average.png           (the noise is gone, the walking box is a trail of ghosts)"
echo "  $out/sum-divided-by-5.png  (brighter than the average)"
echo "  $out/median.png            (the noise and the walking box are both gone)"
echo "  $out/brightest.png         (the box leaves a solid trail, like a star)"
