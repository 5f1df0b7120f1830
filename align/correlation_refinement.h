#pragma once
// The fine registration of a frame: the transform adjusted until the two pictures correlate best.
#include "align/align_model.h"
#include "align/frame_transform.h"

#include <opencv2/core.hpp>

namespace lumicomb {

/// `start`, a close guess of the map from the source's pixel centres onto the reference's (8-bit
/// grey pictures of one size), refined by maximising the pictures' enhanced correlation in at most
/// `steps` steps. Fails with cv::Exception when the correlation cannot be raised.
FrameTransform refineByCorrelation(const cv::Mat &reference, const cv::Mat &source,
                                   const FrameTransform &start, AlignModel model, int steps);

/// The similarity closest to an affine map over a width x height picture: the same turn and
/// scale on average, and the centre kept where the affine map puts it.
FrameTransform nearestSimilarity(const FrameTransform &affine, int64_t width, int64_t height);

} // namespace lumicomb
