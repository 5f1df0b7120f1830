#include "imaging/image_loading.h"

#include "base/errors.h"
#include "base/numbers.h"

#include <algorithm>

namespace lumicomb {
namespace {

int64_t scaledSide(int64_t side, int64_t numerator, int64_t denominator) {
  const double quotient = static_cast<double>(side * numerator) / static_cast<double>(denominator);
  return std::max<int64_t>(1, static_cast<int64_t>(roundHalfEven(quotient)));
}

void recordHeader(ImageEntry &e, const ImageHeader &header) {
  e.width = header.width;
  e.height = header.height;
  e.bitsPerPixel = header.bitsPerPixel;
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

void loadFullSize(ImageSet &set, int i, const DecodeOptions &limits) {
  ImageEntry &e = set.entry(i);
  e.fullSize.reset();
  DecodedImage decoded = decodeImageFile(set.imagePath(i), limits);
  if (limits.warn)
    for (const std::string &warning : decoded.photo.warnings)
      limits.warn(warning);
  recordHeader(e, decoded.header);
  e.fullSize = std::move(decoded.rgb);
}

PreviewSize makePreview(ImageSet &set, int i, const PreviewBox &box, const DecodeOptions &limits) {
  // A preview is for the screen: 8 bits in sRGB, whatever its file holds and the blend keeps.
  static const std::vector<uint8_t> sRGB;
  DecodeOptions forTheScreen = limits;
  forTheScreen.depth = SampleDepth::Eight;
  forTheScreen.targetProfile = &sRGB;
  loadFullSize(set, i, forTheScreen);
  ImageEntry &e = set.entry(i);
  const Bitmap full = std::move(e.fullSize);
  const PreviewSize size = previewSizeFor(e.width, e.height, box);
  e.preview.reset(FreeImage_Rescale(full.get(), static_cast<int>(size.width),
                                    static_cast<int>(size.height), FILTER_BOX));
  if (!e.preview)
    throw LumicombError(ErrorKind::BadFile, "cannot make a preview of " + quoted(set.imagePath(i)));
  return size;
}

} // namespace lumicomb
