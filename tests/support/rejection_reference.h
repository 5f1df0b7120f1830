#pragma once
// The rejecting means and the maps, straight from their definitions, one position at a time.
#include "support/reference_blends.h"

#include <vector>

namespace lumicomb::test {

struct MapReference {
  WidePicture picture;
  std::vector<uint16_t> map; ///< per pixel, row by row
};

/// "Sigma-clipped mean" (or, `winsorized`, "Winsorized mean") of samples up to `top`, and the
/// rejected samples per pixel over its three channels.
MapReference referenceRejectingMean(const std::vector<WidePicture> &stack, bool winsorized,
                                    double kappaLow, double kappaHigh, int top);

/// The same for 8-bit pictures.
Picture referenceRejectingMean(const std::vector<Picture> &stack, bool winsorized, double kappaLow,
                               double kappaHigh);

/// The 1-based number of the frame whose green sample is the brightest (or darkest) at each
/// pixel, the lowest on a tie.
std::vector<uint16_t> referenceWinners(const std::vector<WidePicture> &stack, bool brightest);

/// The same for "Comet trails": the frame whose faded green sample, rounded, is the largest.
std::vector<uint16_t> referenceCometWinners(const std::vector<WidePicture> &stack, double halfLife);

/// Random pictures of samples up to `top`: each position's samples spread a little around a
/// level of their own, and about one in eight replaced by a sample from anywhere, 0 or `top`.
std::vector<WidePicture> outlierStack(int count, int64_t width, int64_t height, int top,
                                      unsigned seed);

} // namespace lumicomb::test
