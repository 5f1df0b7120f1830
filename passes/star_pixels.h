#pragma once
// The pixels of a night frame that stand clear of the sky around them: its stars' trails, and
// whatever else is lit. Closing the gaps between frames works on these alone.
#include "base/sample_depth.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace lumicomb {

struct StarPixels {
  int64_t width = 0;
  int64_t height = 0;
  SampleDepth depth = SampleDepth::Eight;
  std::vector<uint32_t> places;  ///< y * width + x, ascending, in the library's row order
  std::vector<uint16_t> samples; ///< three per place, as the frame's rows hold them
  /// More than an eighth of the frame stood out (a lit cloud, a lamp's glare): nothing is kept.
  bool tooMany = false;

  uint64_t bytes() const { return places.size() * (sizeof(uint32_t) + 3 * sizeof(uint16_t)); }
};

/// Row y of a frame as samples of its depth.
using FrameRows = std::function<const uint8_t *(int64_t y)>;

/// The pixels whose brightest channel stands above the sky by more than six times the frame's
/// noise (and at least 12 8-bit levels). The sky is the median of tiles of 32 pixels, and a
/// pixel is held to the brightest of its own tile and the eight around it, so that an edge
/// between sky and ground never lets the sky's noise through.
StarPixels findStarPixels(const FrameRows &rows, int64_t width, int64_t height, SampleDepth depth);

} // namespace lumicomb
