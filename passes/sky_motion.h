#pragma once
// How far the sky moved from one frame to the next, measured on the stars themselves.
#include "passes/star_pixels.h"

#include <optional>

namespace lumicomb {

/// The sky's move between consecutive frames as a small turn about a pole with the frame's
/// coordinates (library row order): pixel (x, y) moves by (-turn * y + shiftX, turn * x + shiftY).
/// A pure shift is a turn of 0.
struct SkyMotion {
  double turn = 0;
  double shiftX = 0;
  double shiftY = 0;

  double dx(double x, double y) const {
    (void)x;
    return -turn * y + shiftX;
  }
  double dy(double x, double y) const {
    (void)y;
    return turn * x + shiftY;
  }
};

/// The move from `earlier` to `later`: every 128-pixel tile with enough stars finds where its
/// stars went by correlating copies reduced to a quarter (moves of up to 96 pixels), and the
/// turn is fitted to the tiles, those that disagree left out. Pixels lit in both frames at the
/// same place (the ground's lights, hot pixels) do not take part. Nothing when fewer than three
/// tiles agree.
std::optional<SkyMotion> measureSkyMotion(const StarPixels &earlier, const StarPixels &later);

} // namespace lumicomb
