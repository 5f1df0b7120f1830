#include "align/frame_transform.h"

#include <algorithm>
#include <cmath>

namespace lumicomb {

namespace {

bool isAffine(const std::array<double, 9> &m) { return m[6] == 0 && m[7] == 0 && m[8] == 1; }

/// The same projective map with its bottom-right entry 1, where it can be.
FrameTransform normalised(std::array<double, 9> m) {
  if (!isAffine(m) && m[8] != 0) {
    const double scale = m[8];
    for (double &entry : m)
      entry /= scale;
    m[8] = 1;
  }
  return FrameTransform{m};
}

double displacement(const FrameTransform &t, double x, double y) {
  const PixelPoint moved = t.apply({x, y});
  return std::hypot(moved.x - x, moved.y - y);
}

} // namespace

PixelPoint FrameTransform::apply(PixelPoint p) const {
  const double w = m[6] * p.x + m[7] * p.y + m[8];
  return {(m[0] * p.x + m[1] * p.y + m[2]) / w, (m[3] * p.x + m[4] * p.y + m[5]) / w};
}

FrameTransform FrameTransform::inverse() const {
  // The adjugate is the inverse up to a factor, which a projective map ignores; for an affine map
  // its last row is 0 0 det, so normalising keeps that row exactly 0 0 1.
  const std::array<double, 9> adjugate{
      m[4] * m[8] - m[5] * m[7], m[2] * m[7] - m[1] * m[8], m[1] * m[5] - m[2] * m[4],
      m[5] * m[6] - m[3] * m[8], m[0] * m[8] - m[2] * m[6], m[2] * m[3] - m[0] * m[5],
      m[3] * m[7] - m[4] * m[6], m[1] * m[6] - m[0] * m[7], m[0] * m[4] - m[1] * m[3]};
  return normalised(adjugate);
}

FrameTransform FrameTransform::then(const FrameTransform &after) const {
  std::array<double, 9> product{};
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 3; ++column)
      for (int k = 0; k < 3; ++k)
        product[3 * row + column] += after.m[3 * row + k] * m[3 * k + column];
  return normalised(product);
}

FrameTransform FrameTransform::rescaled(double sx, double sy) const {
  // S * this * S^-1 with S: x -> sx * x + ox, written out so that the identity and translations
  // come through without rounding.
  const double ox = 0.5 * sx - 0.5;
  const double oy = 0.5 * sy - 0.5;
  const auto [a, b, c, d, e, f, g, h, i] = m;
  const double bottomRight = i - g * ox / sx - h * oy / sy;
  return normalised({a + ox * g / sx, b * sx / sy + ox * h / sy,
                     sx * c - a * ox - b * oy * sx / sy + ox * bottomRight,
                     d * sy / sx + oy * g / sx, e + oy * h / sy,
                     sy * f - d * ox * sy / sx - e * oy + oy * bottomRight, g / sx, h / sy,
                     bottomRight});
}

bool FrameTransform::isIdentityOn(int64_t width, int64_t height) const {
  constexpr double kMostMove = 1e-3;
  const double right = static_cast<double>(std::max<int64_t>(width, 1) - 1);
  const double bottom = static_cast<double>(std::max<int64_t>(height, 1) - 1);
  // An affine map's displacement is affine in the point, so its length is largest at a corner;
  // a projective one bends, so it is sampled across the frame as well.
  const int steps = isAffine(m) ? 1 : 32;
  for (int row = 0; row <= steps; ++row)
    for (int column = 0; column <= steps; ++column) {
      const double x = right * column / steps;
      const double y = bottom * row / steps;
      if (m[6] * x + m[7] * y + m[8] <= 0 || !(displacement(*this, x, y) <= kMostMove))
        return false;
    }
  return true;
}

FrameTransform FrameTransform::translation(double dx, double dy) {
  return FrameTransform{{1, 0, dx, 0, 1, dy, 0, 0, 1}};
}

} // namespace lumicomb
