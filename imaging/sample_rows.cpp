#include "imaging/sample_rows.h"

namespace lumicomb {

void widenRow(const uint8_t *__restrict bgr, int64_t width, uint16_t *__restrict rgb) {
  for (int64_t x = 0; x < width; ++x) {
    rgb[3 * x] = static_cast<uint16_t>(bgr[3 * x + FI_RGBA_RED] * 257);
    rgb[3 * x + 1] = static_cast<uint16_t>(bgr[3 * x + FI_RGBA_GREEN] * 257);
    rgb[3 * x + 2] = static_cast<uint16_t>(bgr[3 * x + FI_RGBA_BLUE] * 257);
  }
}

const uint8_t *rowAtDepth(const FIBITMAP *bitmap, int64_t y, SampleDepth depth,
                          std::vector<uint16_t> &buffer) {
  if (depthOf(bitmap) == depth)
    return scanLine(bitmap, y);
  const int64_t width = widthOf(bitmap);
  buffer.resize(static_cast<size_t>(3 * width));
  widenRow(scanLine(bitmap, y), width, buffer.data());
  return reinterpret_cast<const uint8_t *>(buffer.data());
}

} // namespace lumicomb
