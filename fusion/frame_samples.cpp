#include "fusion/frame_samples.h"

#include "base/numbers.h"

namespace lumicomb {
namespace {

template <typename Sample>
void splitRow(const Sample *samples, int64_t width, float gain,
              const std::array<float *, 3> &planes, int64_t offset) {
  for (int c = 0; c < 3; ++c) {
    float *to = planes[static_cast<size_t>(c)] + offset;
    for (int64_t x = 0; x < width; ++x)
      to[x] = static_cast<float>(samples[3 * x + c]) * gain;
  }
}

template <typename Sample>
void joinRow(const std::array<const float *, 3> &planes, int64_t width, int64_t offset, float high,
             Sample *out) {
  for (int c = 0; c < 3; ++c) {
    const float *from = planes[static_cast<size_t>(c)] + offset;
    for (int64_t x = 0; x < width; ++x)
      out[3 * x + c] = static_cast<Sample>(roundedSample(from[x], high));
  }
}

} // namespace

std::array<float, 3> lumaWeights(SampleDepth depth) {
  constexpr float kRed = 0.299f, kGreen = 0.587f, kBlue = 0.114f;
  return depth == SampleDepth::Sixteen ? std::array{kRed, kGreen, kBlue}
                                       : std::array{kBlue, kGreen, kRed};
}

void readPlanes(FrameReader &rows, SampleDepth depth, int64_t width, int64_t height, double gain,
                const std::array<float *, 3> &planes) {
  const auto factor = static_cast<float>(gain);
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t *row = rows.row(y);
    if (depth == SampleDepth::Sixteen)
      splitRow(reinterpret_cast<const uint16_t *>(row), width, factor, planes, y * width);
    else
      splitRow(row, width, factor, planes, y * width);
  }
}

void writePlaneRow(const std::array<const float *, 3> &planes, int64_t width, int64_t y,
                   SampleDepth depth, uint8_t *out) {
  const float high = sampleMaximum(depth);
  if (depth == SampleDepth::Sixteen)
    joinRow(planes, width, y * width, high, reinterpret_cast<uint16_t *>(out));
  else
    joinRow(planes, width, y * width, high, out);
}

} // namespace lumicomb
