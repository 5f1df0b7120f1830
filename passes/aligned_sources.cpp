#include "passes/aligned_sources.h"

#include "align/frame_warp.h"

namespace lumicomb {

SampleRows sampleRowsOf(const FIBITMAP *bitmap) {
  auto *writable = const_cast<FIBITMAP *>(bitmap); // the library's accessors are not const
  SampleRows rows;
  rows.data = FreeImage_GetScanLine(writable, 0);
  rows.width = widthOf(bitmap);
  rows.height = heightOf(bitmap);
  rows.stride = static_cast<std::ptrdiff_t>(FreeImage_GetPitch(writable));
  rows.bytesPerSample = static_cast<int>(FreeImage_GetBPP(writable) / 24);
  return rows;
}

Bitmap warpedCopy(const FIBITMAP *picture, const FrameTransform &toImageOne,
                  const PixelRectangle &crop) {
  const SampleRows source = sampleRowsOf(picture);
  Bitmap warped =
      allocateRgb(crop.width, crop.height,
                  source.bytesPerSample == 2 ? SampleDepth::Sixteen : SampleDepth::Eight);
  warpIntoFrame(source, toImageOne, crop, sampleRowsOf(warped.get()));
  return warped;
}

} // namespace lumicomb
