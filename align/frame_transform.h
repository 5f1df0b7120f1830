#pragma once
// Where a frame's pixels lie in image 1's frame, and the rectangle every frame covers there.
//
// Coordinates are those of a picture's sample rows as they are handed over: x along a row, y
// from the first row handed over, pixel centres at whole numbers.
#include <array>
#include <cstdint>

namespace lumicomb {

struct PixelPoint {
  double x = 0;
  double y = 0;
};

/// A projective map of the plane as a row-major 3x3 matrix; the affine models keep the last row
/// at 0 0 1.
struct FrameTransform {
  std::array<double, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};

  PixelPoint apply(PixelPoint p) const;
  FrameTransform inverse() const;
  /// This map followed by `after`.
  FrameTransform then(const FrameTransform &after) const;
  /// The same map between pictures scaled by sx and sy (a pixel centre x goes to
  /// (x + 0.5) * sx - 0.5), so that a fit on a reduced copy serves the full picture or the
  /// reverse.
  FrameTransform rescaled(double sx, double sy) const;
  /// Whether it moves no pixel centre of a width x height picture by more than 1/1000 px.
  bool isIdentityOn(int64_t width, int64_t height) const;
  static FrameTransform translation(double dx, double dy);
};

struct PixelRectangle {
  int64_t x = 0;
  int64_t y = 0;
  int64_t width = 0;
  int64_t height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
  bool operator==(const PixelRectangle &) const = default;
};

} // namespace lumicomb
