#include "align/exposure_ratio.h"

#include <cmath>

namespace lumicomb {

double exposureRatio(const GreyPicture &reference, const GreyPicture &source,
                     const FrameTransform &toReference) {
  // Every other pixel each way is plenty for a mean, and nearest samples do: the two frames are
  // aligned to well within a pixel of these copies.
  constexpr int64_t kStep = 2;
  double referenceSum = 0;
  double sourceSum = 0;
  for (int64_t y = 0; y < source.height; y += kStep)
    for (int64_t x = 0; x < source.width; x += kStep) {
      const PixelPoint at = toReference.apply({static_cast<double>(x), static_cast<double>(y)});
      const auto rx = static_cast<int64_t>(std::lround(at.x));
      const auto ry = static_cast<int64_t>(std::lround(at.y));
      if (rx < 0 || ry < 0 || rx >= reference.width || ry >= reference.height)
        continue;
      referenceSum += reference.samples[static_cast<size_t>(ry * reference.width + rx)];
      sourceSum += source.samples[static_cast<size_t>(y * source.width + x)];
    }
  return sourceSum > 0 && referenceSum > 0 ? referenceSum / sourceSum : 1.0;
}

} // namespace lumicomb
