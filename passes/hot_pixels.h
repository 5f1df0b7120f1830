#pragma once
// The sensor's hot pixels: found where a picture stands far above every neighbour, and replaced
// in every source by the mean of their neighbours.
#include "imaging/bitmap.h"

#include <cstdint>
#include <vector>

namespace lumicomb {

/// A pixel's place, in the library's row order (row 0 at the bottom).
struct PixelPlace {
  int64_t x = 0;
  int64_t y = 0;
  bool operator==(const PixelPlace &) const = default;
};

/// The pixels where some channel of the RGB picture stands above its brightest neighbour by more
/// than six times the picture's noise (and at least 12 8-bit levels), and its brightest neighbour
/// stands less than half as far above the darkest: a single bright pixel, not a star, whose light
/// spreads over its neighbours. Sorted by row, then column.
std::vector<PixelPlace> isolatedPeaks(const FIBITMAP *picture);

/// The places listed in at least `least` of the lists.
std::vector<PixelPlace> placesInAtLeast(const std::vector<std::vector<PixelPlace>> &lists,
                                        size_t least);

/// Replaces each listed pixel of the RGB picture, channel by channel, by the mean of its
/// neighbours that are in the picture and not listed themselves, rounded half to even; a pixel
/// with no such neighbour stays. `hot` is sorted as isolatedPeaks sorts it.
void repairHotPixels(FIBITMAP *picture, const std::vector<PixelPlace> &hot);

} // namespace lumicomb
