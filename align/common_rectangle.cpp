#include "align/common_rectangle.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace lumicomb {

namespace {

/// Slack for the rounding of mapped corners and clipped edges, so that a frame that lies exactly
/// on image 1 keeps its border pixels.
constexpr double kSlack = 1e-6;

using Polygon = std::vector<PixelPoint>;

/// Twice the signed area of the triangle o, a, b: positive when b lies left of the way o -> a.
double turn(PixelPoint o, PixelPoint a, PixelPoint b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

/// The frame's pixel-centre rectangle as the transform maps it, turning the positive way; nothing
/// when a corner lands beyond the horizon of a projective map, where the image is not a
/// quadrilateral at all.
std::optional<Polygon> mappedFrame(const FrameTransform &transform, double right, double bottom) {
  Polygon corners;
  for (const PixelPoint corner : {PixelPoint{0, 0}, {right, 0}, {right, bottom}, {0, bottom}}) {
    const std::array<double, 9> &m = transform.m;
    if (m[6] * corner.x + m[7] * corner.y + m[8] <= 0)
      return std::nullopt;
    corners.push_back(transform.apply(corner));
  }
  double area = 0;
  for (size_t i = 0; i < corners.size(); ++i)
    area += turn({0, 0}, corners[i], corners[(i + 1) % corners.size()]);
  if (area < 0)
    std::reverse(corners.begin(), corners.end());
  return corners;
}

/// The part of a convex polygon left of the line through a and b.
Polygon clipped(const Polygon &polygon, PixelPoint a, PixelPoint b) {
  Polygon kept;
  for (size_t i = 0; i < polygon.size(); ++i) {
    const PixelPoint p = polygon[i];
    const PixelPoint q = polygon[(i + 1) % polygon.size()];
    const double sideP = turn(a, b, p);
    const double sideQ = turn(a, b, q);
    if (sideP >= 0)
      kept.push_back(p);
    if ((sideP >= 0) != (sideQ >= 0)) {
      const double t = sideP / (sideP - sideQ);
      kept.push_back({p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)});
    }
  }
  return kept;
}

/// The whole pixel columns a convex polygon covers on row y: [left, right], left > right when
/// none.
struct Span {
  int64_t left = 1;
  int64_t right = 0;
};

Span spanAt(const Polygon &polygon, double y, int64_t width) {
  double left = INFINITY;
  double right = -INFINITY;
  for (size_t i = 0; i < polygon.size(); ++i) {
    const PixelPoint p = polygon[i];
    const PixelPoint q = polygon[(i + 1) % polygon.size()];
    if (y < std::min(p.y, q.y) - kSlack || y > std::max(p.y, q.y) + kSlack)
      continue;
    if (p.y == q.y) {
      left = std::min({left, p.x, q.x});
      right = std::max({right, p.x, q.x});
      continue;
    }
    const double t = std::clamp((y - p.y) / (q.y - p.y), 0.0, 1.0);
    const double x = p.x + t * (q.x - p.x);
    left = std::min(left, x);
    right = std::max(right, x);
  }
  if (left > right)
    return {};
  return {std::max<int64_t>(0, static_cast<int64_t>(std::ceil(left - kSlack))),
          std::min<int64_t>(width - 1, static_cast<int64_t>(std::floor(right + kSlack)))};
}

} // namespace

PixelRectangle commonRectangle(const std::vector<FrameTransform> &toImageOne, int64_t width,
                               int64_t height) {
  if (width <= 0 || height <= 0)
    return {};
  const double right = static_cast<double>(width - 1);
  const double bottom = static_cast<double>(height - 1);
  Polygon shared = {{0, 0}, {right, 0}, {right, bottom}, {0, bottom}};
  for (const FrameTransform &transform : toImageOne) {
    const std::optional<Polygon> frame = mappedFrame(transform, right, bottom);
    if (!frame)
      return {};
    for (size_t i = 0; i < frame->size() && !shared.empty(); ++i)
      shared = clipped(shared, (*frame)[i], (*frame)[(i + 1) % frame->size()]);
  }
  if (shared.empty())
    return {};

  std::vector<Span> spans(static_cast<size_t>(height));
  int64_t widest = 0;
  for (int64_t y = 0; y < height; ++y) {
    spans[y] = spanAt(shared, static_cast<double>(y), width);
    widest = std::max(widest, spans[y].right - spans[y].left + 1);
  }
  // The region is convex, so the leftmost edge bulges out and the rightmost in: the columns that
  // rows y0 to y1 all cover are the ones rows y0 and y1 both cover.
  PixelRectangle best;
  int64_t bestArea = 0;
  for (int64_t top = 0; top < height && (height - top) * widest > bestArea; ++top) {
    const Span first = spans[top];
    if (first.left > first.right)
      continue;
    for (int64_t last = height - 1; last >= top && (last - top + 1) * widest > bestArea; --last) {
      const int64_t left = std::max(first.left, spans[last].left);
      const int64_t columns = std::min(first.right, spans[last].right) - left + 1;
      if (columns > 0 && columns * (last - top + 1) > bestArea) {
        bestArea = columns * (last - top + 1);
        best = {left, top, columns, last - top + 1};
      }
    }
  }
  return best;
}

} // namespace lumicomb
