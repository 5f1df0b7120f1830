#pragma once
// The first, rough registration of a frame: corners matched between the two pictures and a
// transform fitted to the matches that agree.
#include "align/align_model.h"
#include "align/frame_transform.h"

#include <opencv2/core.hpp>

#include <optional>

namespace lumicomb {

/// The transform of `model` that maps the source's pixel centres onto the reference's, fitted to
/// the features both show; nothing when too few of them agree on one.
std::optional<FrameTransform> fitByFeatures(const cv::Mat &reference, const cv::Mat &source,
                                            AlignModel model);

} // namespace lumicomb
