#pragma once
// A decoded frame resampled into image 1's frame, as an aligned run gathers it.
#include "align/frame_transform.h"
#include "align/grey_picture.h"
#include "imaging/bitmap.h"

namespace lumicomb {

/// The bitmap's sample rows in the library's order (row 0 at the bottom), which is the order
/// every transform of an aligned run is measured in.
SampleRows sampleRowsOf(const FIBITMAP *bitmap);

/// A new bitmap of the crop's size and the picture's kind: the crop of image 1's frame as the
/// picture shows it once moved there by `toImageOne`.
Bitmap warpedCopy(const FIBITMAP *picture, const FrameTransform &toImageOne,
                  const PixelRectangle &crop);

} // namespace lumicomb
