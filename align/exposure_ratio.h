#pragma once
// How much brighter one frame is than another, for frames whose exposure should not differ.
#include "align/frame_transform.h"
#include "align/grey_picture.h"

namespace lumicomb {

/// The mean grey value of `reference` over the part of it that `source` covers once moved there
/// by `toReference`, divided by the source's mean over that part: the gain that makes the source
/// as bright as the reference. 1 when they share no pixel or the source is black there.
double exposureRatio(const GreyPicture &reference, const GreyPicture &source,
                     const FrameTransform &toReference);

} // namespace lumicomb
