#include "fusion/window_filters.h"

#include <algorithm>
#include <vector>

namespace lumicomb {
namespace {

int64_t clamped(int64_t i, int64_t n) { return std::clamp<int64_t>(i, 0, n - 1); }

/// Orders a pair of rows position by position: the smaller values into a, the larger into b.
void sortPair(uint16_t *a, uint16_t *b, int64_t n) {
  for (int64_t x = 0; x < n; ++x) {
    const uint16_t low = std::min(a[x], b[x]);
    b[x] = std::max(a[x], b[x]);
    a[x] = low;
  }
}

} // namespace

template <typename T>
void windowSum(const T *in, int64_t width, int64_t height, int window, T *out) {
  const int reach = window / 2;
  std::vector<T> padded(static_cast<size_t>(width + 2 * reach));
  T *row = padded.data() + reach;
  for (int64_t y = 0; y < height; ++y) {
    // Down the columns first, into a row padded by its repeated ends; then along it.
    std::copy_n(in + clamped(y - reach, height) * width, width, row);
    for (int64_t dy = -reach + 1; dy <= reach; ++dy) {
      const T *from = in + clamped(y + dy, height) * width;
      for (int64_t x = 0; x < width; ++x)
        row[x] += from[x];
    }
    for (int64_t x = 1; x <= reach; ++x) {
      row[-x] = row[0];
      row[width - 1 + x] = row[width - 1];
    }
    T *to = out + y * width;
    std::copy_n(row - reach, width, to);
    for (int64_t dx = -reach + 1; dx <= reach; ++dx)
      for (int64_t x = 0; x < width; ++x)
        to[x] += row[x + dx];
  }
}

template void windowSum<float>(const float *, int64_t, int64_t, int, float *);
template void windowSum<double>(const double *, int64_t, int64_t, int, double *);

void median3x3(const uint16_t *in, int64_t width, int64_t height, uint16_t *out) {
  // Nine rows of neighbours, each padded by the repeated edge, sorted position by position with
  // the network that leaves the median of nine in the middle row.
  std::vector<uint16_t> rows(static_cast<size_t>(9 * width));
  uint16_t *p[9];
  for (int k = 0; k < 9; ++k)
    p[k] = rows.data() + k * width;
  static constexpr int kNetwork[19][2] = {{1, 2}, {4, 5}, {7, 8}, {0, 1}, {3, 4}, {6, 7}, {1, 2},
                                          {4, 5}, {7, 8}, {0, 3}, {5, 8}, {4, 7}, {3, 6}, {1, 4},
                                          {2, 5}, {4, 7}, {4, 2}, {6, 4}, {4, 2}};
  const auto last = static_cast<size_t>(width - 1);
  for (int64_t y = 0; y < height; ++y) {
    for (int dy = -1; dy <= 1; ++dy) {
      const uint16_t *from = in + clamped(y + dy, height) * width;
      uint16_t **shifted = p + 3 * (dy + 1);
      // The row moved one to the right, as it is, and one to the left, its ends repeated.
      shifted[0][0] = from[0];
      std::copy_n(from, last, shifted[0] + 1);
      std::copy_n(from, width, shifted[1]);
      std::copy_n(from + 1, last, shifted[2]);
      shifted[2][last] = from[last];
    }
    for (const auto &[a, b] : kNetwork)
      sortPair(p[a], p[b], width);
    std::copy(p[4], p[4] + width, out + y * width);
  }
}

} // namespace lumicomb
