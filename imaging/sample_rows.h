#pragma once
// Rows of a picture read at a depth other than its own. At 16 bits a source of 8-bit samples
// stays 24-bit until its rows are read, which halves what it holds and spares a pass over it.
#include "imaging/bitmap.h"

#include <vector>

namespace lumicomb {

/// A row of 24-bit pixels (blue, green, red) as 48-bit ones (red, green, blue), times 257.
void widenRow(const uint8_t *bgr, int64_t width, uint16_t *rgb);

/// Row y of an RGB bitmap as samples of `depth`: the row itself when the bitmap is of that
/// depth, else a 24-bit row widened into `buffer`, which it sizes.
const uint8_t *rowAtDepth(const FIBITMAP *bitmap, int64_t y, SampleDepth depth,
                          std::vector<uint16_t> &buffer);

} // namespace lumicomb
