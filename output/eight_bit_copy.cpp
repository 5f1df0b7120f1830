#include "output/eight_bit_copy.h"

namespace lumicomb {

Bitmap eightBitCopy(const FIBITMAP *picture) {
  const int64_t width = widthOf(picture);
  const int64_t height = heightOf(picture);
  Bitmap copy = allocateRgb24(width, height);
  for (int64_t y = 0; y < height; ++y) {
    const auto *wide = reinterpret_cast<const FIRGB16 *>(scanLine(picture, y));
    uint8_t *narrow = scanLine(copy.get(), y);
    for (int64_t x = 0; x < width; ++x, narrow += 3) {
      narrow[FI_RGBA_RED] = eightBitEquivalent(wide[x].red);
      narrow[FI_RGBA_GREEN] = eightBitEquivalent(wide[x].green);
      narrow[FI_RGBA_BLUE] = eightBitEquivalent(wide[x].blue);
    }
  }
  return copy;
}

} // namespace lumicomb
