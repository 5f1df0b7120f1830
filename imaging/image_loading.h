#pragma once
// Decoding an entry's file into its full-size or preview bitmap.
#include "imaging/image_decoding.h"
#include "imaging/image_set.h"

namespace lumicomb {

struct PreviewBox {
  int64_t width = 400;
  int64_t height = 300;
  bool operator==(const PreviewBox &) const = default;
};

struct PreviewSize {
  int64_t width = 0;
  int64_t height = 0;
};

/// The preview size of a w x h image: width fitted first, height corrected only when the fitted
/// height overflows the box, quotients rounded half to even, never larger than the image and
/// never smaller than one pixel.
PreviewSize previewSizeFor(int64_t w, int64_t h, const PreviewBox &box);

/// Decodes entry i into its full-size bitmap as the options ask, and records its size and file
/// depth.
void loadFullSize(ImageSet &set, int i, const DecodeOptions &limits);

/// Makes entry i's preview from a fresh decode, upright, at 8 bits and in sRGB, and leaves no
/// full-size bitmap behind.
/// Touches no state shared between entries, so distinct entries may be done in parallel.
PreviewSize makePreview(ImageSet &set, int i, const PreviewBox &box, const DecodeOptions &limits);

} // namespace lumicomb
