#include "engine/image_loading.h"

#include "blend/functions.h"
#include "engine/errors.h"

#include <algorithm>

namespace lumicomb {
namespace {

int64_t scaledSide(int64_t side, int64_t numerator, int64_t denominator) {
  const double quotient = static_cast<double>(side * numerator) / static_cast<double>(denominator);
  return std::max<int64_t>(1, static_cast<int64_t>(roundHalfEven(quotient)));
}

void recordHeader(ImageEntry &e, const ImageHeader &header) {
  e.PixelWidth = header.width;
  e.PixelHeight = header.height;
  e.BitsPerPixel = header.bitsPerPixel;
}

} // namespace

PreviewSize previewSizeFor(int64_t w, int64_t h, const PreviewBox &box) {
  PreviewSize size;
  size.width = std::min(w, box.width);
  size.height = scaledSide(size.width, h, w);
  if (size.height > box.height) {
    size.height = box.height;
    size.width = scaledSide(size.height, w, h);
  }
  return size;
}

void LoadFullImage(ImageSet &set, int i, const DecodeLimits &limits) {
  ImageEntry &e = set.entry(i);
  e.FullBitmap.reset();
  DecodedImage decoded = decodeImageFile(set.imagePath(i), limits);
  recordHeader(e, decoded.header);
  e.FullBitmap = std::move(decoded.rgb);
}

PreviewSize makePreview(ImageSet &set, int i, const PreviewBox &box, const DecodeLimits &limits) {
  LoadFullImage(set, i, limits);
  ImageEntry &e = set.entry(i);
  const Bitmap full = std::move(e.FullBitmap);
  const PreviewSize size = previewSizeFor(e.PixelWidth, e.PixelHeight, box);
  e.PreviewBitmap.reset(FreeImage_Rescale(full.get(), static_cast<int>(size.width),
                                          static_cast<int>(size.height), FILTER_BOX));
  if (!e.PreviewBitmap)
    throw LumicombError(ErrorKind::BadFile, "cannot make a preview of " + quoted(set.imagePath(i)));
  return size;
}

void LoadPreviewImage(ImageSet &set, int i, const PreviewBox &box, const DecodeLimits &limits) {
  const PreviewSize size = makePreview(set, i, box, limits);
  set.ThumbWidth = size.width;
  set.ThumbHeight = size.height;
}

} // namespace lumicomb
