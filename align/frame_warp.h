#pragma once
// Resampling a frame into image 1's frame.
#include "align/frame_transform.h"
#include "align/grey_picture.h"

namespace lumicomb {

/// Fills `destination` (crop.width x crop.height, with the source's channels and sample size)
/// with the part `crop` of image 1's frame as the source shows it: destination pixel (x, y) is
/// the source at toImageOne's inverse of (crop.x + x, crop.y + y), interpolated bicubically with
/// the edge samples repeated beyond the border. An identity transform copies samples unchanged.
void warpIntoFrame(const SampleRows &source, const FrameTransform &toImageOne,
                   const PixelRectangle &crop, const SampleRows &destination);

} // namespace lumicomb
