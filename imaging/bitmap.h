#pragma once
// Owning handle for a library bitmap: a release can never be forgotten on a failure path.
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

/// Bytes of a 24-bit bitmap of the given size, its rows padded as the library pads them.
uint64_t rgb24Bytes(int64_t width, int64_t height);

/// Start of scan line y of a 24-bit bitmap (the library's row order: 0 is the bottom row).
uint8_t *scanLine(FIBITMAP *bitmap, int64_t y);
const uint8_t *scanLine(const FIBITMAP *bitmap, int64_t y);

int64_t widthOf(const FIBITMAP *bitmap);
int64_t heightOf(const FIBITMAP *bitmap);

} // namespace lumicomb
