#pragma once
// Runs a whole-frame rule on pictures in memory, without files, passes or threads.
#include "fusion/frame_rule.h"
#include "support/reference_blends.h"

namespace lumicomb::test {

/// Every sweep reads the frames in `order` (0-based stack indices) and merges each frame's parts
/// in the order given by `parts` (a permutation of 0 .. parts.size() - 1); then the result.
Picture frameBlend(FrameRule &rule, const std::vector<Picture> &stack,
                   const std::vector<int> &order, const std::vector<int> &parts = {0});
WidePicture frameBlend(FrameRule &rule, const std::vector<WidePicture> &stack,
                       const std::vector<int> &order, const std::vector<int> &parts = {0});

/// After a blend: the chosen frame of every position, in the library's row order.
std::vector<uint16_t> chosenFrames(const FrameRule &rule, int64_t width, int64_t height);

} // namespace lumicomb::test
