#pragma once
// Owning handle for a library bitmap: a release can never be forgotten on a failure path.
#include "base/sample_depth.h"

#include <FreeImage.h>

#include <cstdint>
#include <memory>

namespace lumicomb {

struct BitmapUnloader {
  void operator()(FIBITMAP *bitmap) const;
};

using Bitmap = std::unique_ptr<FIBITMAP, BitmapUnloader>;

/// A new 24-bit RGB bitmap of the given size, or an out-of-range failure if it cannot be made.
Bitmap allocateRgb24(int64_t width, int64_t height);

/// A new RGB bitmap of the depth: 24-bit (blue, green, red) or 48-bit (FIT_RGB16: red, green,
/// blue), or an out-of-range failure if it cannot be made.
Bitmap allocateRgb(int64_t width, int64_t height, SampleDepth depth);

/// A new one-channel bitmap of 16-bit values (FIT_UINT16), as a run's map is, or an out-of-range
/// failure if it cannot be made.
Bitmap allocateGrey16(int64_t width, int64_t height);
/// Bytes of such a bitmap, its rows padded as the library pads them.
uint64_t grey16Bytes(int64_t width, int64_t height);

/// The depth of an RGB bitmap that allocateRgb could have made.
SampleDepth depthOf(const FIBITMAP *bitmap);

/// Bytes of a 24-bit bitmap of the given size, its rows padded as the library pads them.
uint64_t rgb24Bytes(int64_t width, int64_t height);
/// The same for an RGB bitmap of the depth.
uint64_t rgbBytes(int64_t width, int64_t height, SampleDepth depth);

/// Start of scan line y of a bitmap (the library's row order: 0 is the bottom row).
uint8_t *scanLine(FIBITMAP *bitmap, int64_t y);
const uint8_t *scanLine(const FIBITMAP *bitmap, int64_t y);

int64_t widthOf(const FIBITMAP *bitmap);
int64_t heightOf(const FIBITMAP *bitmap);

} // namespace lumicomb
