#pragma once
// The part of image 1's frame that every aligned frame covers.
#include "align/frame_transform.h"

#include <vector>

namespace lumicomb {

/// The largest axis-aligned rectangle of pixel centres that lies inside every frame once each
/// is mapped into image 1's frame by its transform (image 1 itself included, so that the result
/// never reaches past it). Every frame is width x height. Empty when the frames share no pixel;
/// the whole frame when every transform is the identity.
PixelRectangle commonRectangle(const std::vector<FrameTransform> &toImageOne, int64_t width,
                               int64_t height);

} // namespace lumicomb
