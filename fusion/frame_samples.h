#pragma once
// Between a frame's rows of samples and the planes of floating-point values the whole-frame rules
// work on.
#include "base/sample_depth.h"
#include "fusion/frame_rule.h"

#include <array>

namespace lumicomb {

/// The largest sample of the depth: 255 or 65535.
inline float sampleMaximum(SampleDepth depth) {
  return depth == SampleDepth::Sixteen ? 65535.0f : 255.0f;
}

/// The weights of red, green and blue in the luma, in the order of a row's channels at the depth
/// (blue, green, red at 8 bits; red, green, blue at 16).
std::array<float, 3> lumaWeights(SampleDepth depth);

/// Reads every row of a width x height frame into three planes (one per channel, in the row's
/// order), each sample multiplied by `gain`.
void readPlanes(FrameReader &rows, SampleDepth depth, int64_t width, int64_t height, double gain,
                const std::array<float *, 3> &planes);

/// Writes row y of the three planes as samples of the depth: rounded half to even and held to
/// the depth's range.
void writePlaneRow(const std::array<const float *, 3> &planes, int64_t width, int64_t y,
                   SampleDepth depth, uint8_t *out);

} // namespace lumicomb
