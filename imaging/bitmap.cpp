#include "imaging/bitmap.h"

#include "base/errors.h"

#include <string>

namespace lumicomb {

void BitmapUnloader::operator()(FIBITMAP *bitmap) const { FreeImage_Unload(bitmap); }

Bitmap allocateRgb24(int64_t width, int64_t height) {
  Bitmap bitmap;
  if (width > 0 && height > 0 && width <= INT32_MAX / 3 && height <= INT32_MAX)
    bitmap.reset(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 24,
                                    FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK));
  if (!bitmap)
    throw LumicombError(ErrorKind::OutOfRange, "cannot make a result bitmap of " +
                                                   std::to_string(width) + "x" +
                                                   std::to_string(height) + " pixels");
  return bitmap;
}

Bitmap allocateRgb(int64_t width, int64_t height, SampleDepth depth) {
  if (depth == SampleDepth::Eight)
    return allocateRgb24(width, height);
  Bitmap bitmap;
  if (width > 0 && height > 0 && width <= INT32_MAX / 6 && height <= INT32_MAX)
    bitmap.reset(
        FreeImage_AllocateT(FIT_RGB16, static_cast<int>(width), static_cast<int>(height), 48));
  if (!bitmap)
    throw LumicombError(ErrorKind::OutOfRange, "cannot make a result bitmap of " +
                                                   std::to_string(width) + "x" +
                                                   std::to_string(height) + " pixels");
  return bitmap;
}

Bitmap allocateGrey16(int64_t width, int64_t height) {
  Bitmap bitmap;
  if (width > 0 && height > 0 && width <= INT32_MAX / 2 && height <= INT32_MAX)
    bitmap.reset(
        FreeImage_AllocateT(FIT_UINT16, static_cast<int>(width), static_cast<int>(height), 16));
  if (!bitmap)
    throw LumicombError(ErrorKind::OutOfRange, "cannot make a map of " + std::to_string(width) +
                                                   "x" + std::to_string(height) + " pixels");
  return bitmap;
}

uint64_t grey16Bytes(int64_t width, int64_t height) {
  return ((2 * static_cast<uint64_t>(width) + 3) & ~uint64_t{3}) * static_cast<uint64_t>(height);
}

SampleDepth depthOf(const FIBITMAP *bitmap) {
  return FreeImage_GetImageType(const_cast<FIBITMAP *>(bitmap)) == FIT_RGB16 ? SampleDepth::Sixteen
                                                                             : SampleDepth::Eight;
}

uint64_t rgbBytes(int64_t width, int64_t height, SampleDepth depth) {
  const uint64_t rowBytes = 3 * static_cast<uint64_t>(bytesPerSample(depth) * width);
  return ((rowBytes + 3) & ~uint64_t{3}) * static_cast<uint64_t>(height);
}

uint64_t rgb24Bytes(int64_t width, int64_t height) {
  return ((3 * static_cast<uint64_t>(width) + 3) & ~uint64_t{3}) * static_cast<uint64_t>(height);
}

uint8_t *scanLine(FIBITMAP *bitmap, int64_t y) {
  return FreeImage_GetScanLine(bitmap, static_cast<int>(y));
}

const uint8_t *scanLine(const FIBITMAP *bitmap, int64_t y) {
  return FreeImage_GetScanLine(const_cast<FIBITMAP *>(bitmap), static_cast<int>(y));
}

int64_t widthOf(const FIBITMAP *bitmap) {
  return FreeImage_GetWidth(const_cast<FIBITMAP *>(bitmap));
}

int64_t heightOf(const FIBITMAP *bitmap) {
  return FreeImage_GetHeight(const_cast<FIBITMAP *>(bitmap));
}

} // namespace lumicomb
