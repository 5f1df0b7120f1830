#include "fusion/pyramid.h"

#include <algorithm>

namespace lumicomb {
namespace {

/// The short side at which a pyramid stops: a coarser level would be mostly edge.
constexpr int64_t kSmallestSide = 8;

int64_t half(int64_t length) { return (length + 1) / 2; }

/// Index i of a row or column of n samples mirrored about its ends without repeating them
/// (-1 is 1, n is n - 2), for any i.
int64_t mirrored(int64_t i, int64_t n) {
  if (n == 1)
    return 0;
  const int64_t period = 2 * (n - 1);
  i %= period;
  if (i < 0)
    i += period;
  return i < n ? i : period - i;
}

/// Index i in [-1, n] of a coarse row or column of n samples made from a fine one of
/// `fineLength`: the fine picture mirrored about its last sample is the coarse one mirrored
/// about its last sample when that length is odd, and about the point past it when it is even.
int64_t coarseMirrored(int64_t i, int64_t n, int64_t fineLength) {
  if (i < 0)
    return std::min<int64_t>(1, n - 1);
  if (i < n)
    return i;
  return fineLength % 2 == 1 ? std::max<int64_t>(n - 2, 0) : n - 1;
}

} // namespace

PyramidShape::PyramidShape(int64_t width, int64_t height) {
  size_t offset = 0;
  while (true) {
    m_levels.push_back({width, height, offset});
    offset += static_cast<size_t>(width * height);
    if (std::min(width, height) <= kSmallestSide)
      break;
    width = half(width);
    height = half(height);
  }
  m_samples = offset;
}

void reduceLevel(const float *fine, int64_t width, int64_t height, float *coarse) {
  const int64_t coarseWidth = half(width);
  const int64_t coarseHeight = half(height);
  // One row smoothed down the columns, with two mirrored samples on either side.
  std::vector<float> padded(static_cast<size_t>(width + 4));
  float *column = padded.data() + 2;
  for (int64_t j = 0; j < coarseHeight; ++j) {
    const float *r[5];
    for (int k = 0; k < 5; ++k)
      r[k] = fine + mirrored(2 * j + k - 2, height) * width;
    for (int64_t x = 0; x < width; ++x)
      column[x] = (r[0][x] + r[4][x]) + 4.0f * (r[1][x] + r[3][x]) + 6.0f * r[2][x];
    for (const int64_t x : {int64_t{-2}, int64_t{-1}, width, width + 1})
      column[x] = column[mirrored(x, width)];
    float *out = coarse + j * coarseWidth;
    for (int64_t i = 0; i < coarseWidth; ++i) {
      const float *c = column + 2 * i;
      out[i] = ((c[-2] + c[2]) + 4.0f * (c[-1] + c[1]) + 6.0f * c[0]) * (1.0f / 256);
    }
  }
}

void addExpanded(const float *coarse, float *fine, int64_t width, int64_t height, float sign) {
  const int64_t coarseWidth = half(width);
  const int64_t coarseHeight = half(height);
  // One coarse row interpolated down the columns, with a mirrored sample on either side.
  std::vector<float> padded(static_cast<size_t>(coarseWidth + 2));
  float *row = padded.data() + 1;
  const auto coarseRow = [&](int64_t j) {
    return coarse + coarseMirrored(j, coarseHeight, height) * coarseWidth;
  };
  for (int64_t y = 0; y < height; ++y) {
    const int64_t j = y / 2;
    if (y % 2 == 0) {
      const float *above = coarseRow(j - 1);
      const float *at = coarseRow(j);
      const float *below = coarseRow(j + 1);
      for (int64_t i = 0; i < coarseWidth; ++i)
        row[i] = 0.125f * (above[i] + below[i]) + 0.75f * at[i];
    } else {
      const float *at = coarseRow(j);
      const float *below = coarseRow(j + 1);
      for (int64_t i = 0; i < coarseWidth; ++i)
        row[i] = 0.5f * (at[i] + below[i]);
    }
    row[-1] = row[coarseMirrored(-1, coarseWidth, width)];
    row[coarseWidth] = row[coarseMirrored(coarseWidth, coarseWidth, width)];
    float *out = fine + y * width;
    const int64_t pairs = width / 2;
    for (int64_t i = 0; i < pairs; ++i) {
      out[2 * i] += sign * (0.125f * (row[i - 1] + row[i + 1]) + 0.75f * row[i]);
      out[2 * i + 1] += sign * (0.5f * (row[i] + row[i + 1]));
    }
    if (width % 2 == 1)
      out[width - 1] += sign * (0.125f * (row[pairs - 1] + row[pairs + 1]) + 0.75f * row[pairs]);
  }
}

float expandedAt(const float *coarse, int64_t width, int64_t height, int64_t x, int64_t y) {
  const int64_t coarseWidth = half(width);
  const int64_t coarseHeight = half(height);
  const auto coarseRow = [&](int64_t j) {
    return coarse + coarseMirrored(j, coarseHeight, height) * coarseWidth;
  };
  // The coarse row interpolated down the columns, at the columns the position needs.
  const int64_t j = y / 2;
  const auto down = [&](int64_t i) {
    const int64_t column = coarseMirrored(i, coarseWidth, width);
    if (y % 2 == 0)
      return 0.125f * (coarseRow(j - 1)[column] + coarseRow(j + 1)[column]) +
             0.75f * coarseRow(j)[column];
    return 0.5f * (coarseRow(j)[column] + coarseRow(j + 1)[column]);
  };
  const int64_t i = x / 2;
  if (x % 2 == 0)
    return 0.125f * (down(i - 1) + down(i + 1)) + 0.75f * down(i);
  return 0.5f * (down(i) + down(i + 1));
}

void makeGaussian(Pyramid &pyramid) {
  const PyramidShape &shape = pyramid.shape();
  for (int l = 0; l + 1 < shape.levels(); ++l)
    reduceLevel(pyramid.level(l), shape.width(l), shape.height(l), pyramid.level(l + 1));
}

void makeLaplacian(Pyramid &pyramid) {
  makeGaussian(pyramid);
  const PyramidShape &shape = pyramid.shape();
  // Upwards, so that the next level is still the smoothed picture when it is expanded.
  for (int l = 0; l + 1 < shape.levels(); ++l)
    addExpanded(pyramid.level(l + 1), pyramid.level(l), shape.width(l), shape.height(l), -1.0f);
}

void collapse(Pyramid &pyramid) {
  const PyramidShape &shape = pyramid.shape();
  for (int l = shape.levels() - 2; l >= 0; --l)
    addExpanded(pyramid.level(l + 1), pyramid.level(l), shape.width(l), shape.height(l), 1.0f);
}

} // namespace lumicomb
