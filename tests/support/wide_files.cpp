#include "support/wide_files.h"

#include <cstring>
#include <stdexcept>

namespace lumicomb::test {

Bitmap toWideBitmap(const WidePicture &picture) {
  Bitmap bitmap = allocateRgb(picture.width, picture.height, SampleDepth::Sixteen);
  const size_t rowBytes = static_cast<size_t>(3 * picture.width) * sizeof(uint16_t);
  for (int64_t y = 0; y < picture.height; ++y)
    std::memcpy(scanLine(bitmap.get(), y), picture.samples.data() + 3 * picture.width * y,
                rowBytes);
  return bitmap;
}

WidePicture toWidePicture(const FIBITMAP *bitmap) {
  if (!bitmap || FreeImage_GetImageType(const_cast<FIBITMAP *>(bitmap)) != FIT_RGB16)
    throw std::runtime_error("not a 48-bit bitmap");
  WidePicture picture{widthOf(bitmap), heightOf(bitmap), {}};
  picture.samples.resize(static_cast<size_t>(3 * picture.width * picture.height));
  const size_t rowBytes = static_cast<size_t>(3 * picture.width) * sizeof(uint16_t);
  for (int64_t y = 0; y < picture.height; ++y)
    std::memcpy(picture.samples.data() + 3 * picture.width * y, scanLine(bitmap, y), rowBytes);
  return picture;
}

std::vector<std::string> writeWideStack(const TempDir &dir, const std::vector<WidePicture> &stack) {
  std::vector<std::string> names;
  for (size_t i = 0; i < stack.size(); ++i) {
    const bool tiff = i % 2 == 0;
    names.push_back("frame_" + std::to_string(i + 1) + (tiff ? ".tif" : ".png"));
    const Bitmap bitmap = toWideBitmap(stack[i]);
    if (!FreeImage_Save(tiff ? FIF_TIFF : FIF_PNG, bitmap.get(), dir.file(names.back()).c_str(), 0))
      throw std::runtime_error("cannot write " + names.back());
  }
  return names;
}

} // namespace lumicomb::test
