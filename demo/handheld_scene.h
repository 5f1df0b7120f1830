#pragma once
// A still landscape drawn at any point of the plane, so that a frame of a handheld burst is
// rendered exactly where its transform puts it, with no resampling between frames: the test
// stacks of alignment and the pictures of the demo.
#include <array>
#include <cstdint>
#include <vector>

namespace lumicomb {

struct HandheldShot {
  /// Where the frame's pixel centres land in image 1's frame: a row-major 3x3 projective matrix,
  /// laid out as FrameTransform::m. Frame pixel (x, y) shows the scene at that point of image 1.
  std::array<double, 9> toImageOne{1, 0, 0, 0, 1, 0, 0, 0, 1};
  /// Sensor noise added to every sample, in 8-bit levels.
  double noiseSigma = 0;
  uint64_t noiseSeed = 1;
  /// Which landscape: another seed lays out an unrelated one.
  uint64_t sceneSeed = 1;
};

/// The frame as interleaved 8-bit red, green and blue, rows packed, top row first. The scene
/// scales with the width, so frames of one aspect at any size show the same view.
std::vector<uint8_t> renderHandheldFrame(int64_t width, int64_t height, const HandheldShot &shot);

} // namespace lumicomb
