#include "imaging/orientation.h"

#include "base/errors.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace lumicomb {
namespace {

bool turnsAQuarter(int orientation) { return orientation >= 5 && orientation <= 8; }

/// Where the upright picture's pixel (x, y) lies in the stored one; both counted from the top
/// left, as the orientation tag describes them.
struct StoredPlace {
  int orientation;
  int64_t storedWidth;
  int64_t storedHeight;

  std::pair<int64_t, int64_t> of(int64_t x, int64_t y) const {
    const int64_t lastX = storedWidth - 1;
    const int64_t lastY = storedHeight - 1;
    switch (orientation) {
    case 2:
      return {lastX - x, y};
    case 3:
      return {lastX - x, lastY - y};
    case 4:
      return {x, lastY - y};
    case 5:
      return {y, x};
    case 6:
      return {y, lastY - x};
    case 7:
      return {lastX - y, lastY - x};
    case 8:
      return {lastX - y, x};
    default:
      return {x, y};
    }
  }
};

/// Copies in tiles, so that a quarter turn reads and writes memory a cache line at a time.
void remap(const FIBITMAP *stored, FIBITMAP *shown, const StoredPlace &place) {
  constexpr int64_t kTile = 64;
  const size_t pixelBytes = static_cast<size_t>(3 * bytesPerSample(depthOf(stored)));
  const int64_t width = widthOf(shown);
  const int64_t height = heightOf(shown);
  const int64_t storedHeight = heightOf(stored);
  for (int64_t tileY = 0; tileY < height; tileY += kTile)
    for (int64_t tileX = 0; tileX < width; tileX += kTile)
      for (int64_t y = tileY; y < std::min(height, tileY + kTile); ++y) {
        // The library keeps rows bottom up; the tag counts them top down.
        uint8_t *row = scanLine(shown, height - 1 - y);
        for (int64_t x = tileX; x < std::min(width, tileX + kTile); ++x) {
          const auto [storedX, storedY] = place.of(x, y);
          const uint8_t *from = scanLine(stored, storedHeight - 1 - storedY);
          std::memcpy(row + x * pixelBytes, from + storedX * pixelBytes, pixelBytes);
        }
      }
}

} // namespace

void orientSize(int orientation, int64_t &width, int64_t &height) {
  if (turnsAQuarter(orientation))
    std::swap(width, height);
}

int orientationAfterMirroring(int orientation) {
  switch (orientation) {
  case 5: // read as stored: a turn over the main diagonal is left
  case 7: // read mirrored both ways, which leaves the same turn
    return 5;
  case 6: // read mirrored left to right: a turn over the other diagonal is left
  case 8: // read mirrored top to bottom, which leaves the same turn
    return 7;
  default:
    return 1;
  }
}

Bitmap upright(Bitmap picture, int orientation) {
  if (orientation < 2 || orientation > 8)
    return picture;
  int64_t width = widthOf(picture.get());
  int64_t height = heightOf(picture.get());
  const StoredPlace place{orientation, width, height};
  orientSize(orientation, width, height);
  Bitmap shown = allocateRgb(width, height, depthOf(picture.get()));
  remap(picture.get(), shown.get(), place);
  return shown;
}

} // namespace lumicomb
