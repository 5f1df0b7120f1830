#include "passes/hot_pixels.h"

#include "base/numbers.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace lumicomb {
namespace {

/// Reads sample c of pixel (x, y) at either depth.
class Samples {
public:
  explicit Samples(const FIBITMAP *picture)
      : m_picture(picture), m_wide(depthOf(picture) == SampleDepth::Sixteen),
        m_width(widthOf(picture)), m_height(heightOf(picture)) {}

  int64_t width() const { return m_width; }
  int64_t height() const { return m_height; }
  bool wide() const { return m_wide; }

  int32_t at(int64_t x, int64_t y, int c) const { return at(scanLine(m_picture, y), x, c); }
  /// Sample c of pixel x of a row of the picture.
  int32_t at(const uint8_t *row, int64_t x, int c) const {
    if (m_wide)
      return reinterpret_cast<const uint16_t *>(row)[3 * x + c];
    return row[3 * x + c];
  }
  const uint8_t *row(int64_t y) const { return scanLine(m_picture, y); }

private:
  const FIBITMAP *m_picture;
  bool m_wide;
  int64_t m_width;
  int64_t m_height;
};

/// The noise of the green channel: the median absolute difference of horizontal neighbours on
/// every fourth row, as a standard deviation (1.4826 / sqrt(2) of it). Stars and edges touch too
/// few pairs to move the median.
double noiseOf(const Samples &samples) {
  std::vector<int32_t> differences;
  for (int64_t y = 0; y < samples.height(); y += 4) {
    const uint8_t *row = samples.row(y);
    for (int64_t x = 1; x < samples.width(); ++x)
      differences.push_back(std::abs(samples.at(row, x, 1) - samples.at(row, x - 1, 1)));
  }
  if (differences.empty())
    return 0;
  const auto middle = differences.begin() + static_cast<std::ptrdiff_t>(differences.size() / 2);
  std::nth_element(differences.begin(), middle, differences.end());
  return 1.0483 * *middle;
}

bool isPeak(const Samples &samples, int64_t x, int64_t y, int c, int32_t threshold) {
  const int32_t value = samples.at(x, y, c);
  std::array<int32_t, 8> around{};
  size_t count = 0;
  for (int64_t dy = -1; dy <= 1; ++dy)
    for (int64_t dx = -1; dx <= 1; ++dx) {
      const int64_t nx = x + dx, ny = y + dy;
      if ((dx != 0 || dy != 0) && nx >= 0 && ny >= 0 && nx < samples.width() &&
          ny < samples.height())
        around[count++] = samples.at(nx, ny, c);
    }
  if (count == 0)
    return false;
  const auto end = around.begin() + static_cast<std::ptrdiff_t>(count);
  const int32_t brightest = *std::max_element(around.begin(), end);
  const int32_t darkest = *std::min_element(around.begin(), end);
  return value - brightest > threshold && value - darkest > 2 * (brightest - darkest);
}

bool listed(const std::vector<PixelPlace> &hot, int64_t x, int64_t y) {
  return std::binary_search(hot.begin(), hot.end(), PixelPlace{x, y},
                            [](auto a, auto b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
}

} // namespace

std::vector<PixelPlace> isolatedPeaks(const FIBITMAP *picture) {
  const Samples samples(picture);
  const int32_t levels = samples.wide() ? 257 : 1;
  const auto threshold = static_cast<int32_t>(std::max(6 * noiseOf(samples), 12.0 * levels));
  std::vector<PixelPlace> peaks;
  for (int64_t y = 0; y < samples.height(); ++y) {
    const uint8_t *row = samples.row(y);
    for (int64_t x = 0; x < samples.width(); ++x)
      for (int c = 0; c < 3; ++c) {
        // Most pixels fail at once against their left or right neighbour.
        const int32_t value = samples.at(row, x, c);
        if ((x > 0 && value - samples.at(row, x - 1, c) <= threshold) ||
            (x + 1 < samples.width() && value - samples.at(row, x + 1, c) <= threshold))
          continue;
        if (isPeak(samples, x, y, c, threshold)) {
          peaks.push_back({x, y});
          break;
        }
      }
  }
  return peaks;
}

std::vector<PixelPlace> placesInAtLeast(const std::vector<std::vector<PixelPlace>> &lists,
                                        size_t least) {
  std::vector<PixelPlace> all;
  for (const std::vector<PixelPlace> &list : lists)
    all.insert(all.end(), list.begin(), list.end());
  const auto byRow = [](const PixelPlace &a, const PixelPlace &b) {
    return a.y != b.y ? a.y < b.y : a.x < b.x;
  };
  std::sort(all.begin(), all.end(), byRow);
  std::vector<PixelPlace> kept;
  for (size_t k = 0; k < all.size();) {
    size_t end = k;
    while (end < all.size() && all[end] == all[k])
      ++end;
    if (end - k >= least)
      kept.push_back(all[k]);
    k = end;
  }
  return kept;
}

void repairHotPixels(FIBITMAP *picture, const std::vector<PixelPlace> &hot) {
  const Samples samples(picture);
  for (const PixelPlace &place : hot) {
    std::array<uint32_t, 3> totals{};
    uint32_t count = 0;
    for (int64_t dy = -1; dy <= 1; ++dy)
      for (int64_t dx = -1; dx <= 1; ++dx) {
        const int64_t x = place.x + dx, y = place.y + dy;
        if ((dx == 0 && dy == 0) || x < 0 || y < 0 || x >= samples.width() ||
            y >= samples.height() || listed(hot, x, y))
          continue;
        for (int c = 0; c < 3; ++c)
          totals[static_cast<size_t>(c)] += static_cast<uint32_t>(samples.at(x, y, c));
        ++count;
      }
    if (count == 0)
      continue;
    uint8_t *row = scanLine(picture, place.y);
    for (int c = 0; c < 3; ++c) {
      const uint32_t mean = divideHalfEven(totals[static_cast<size_t>(c)], count);
      if (samples.wide())
        reinterpret_cast<uint16_t *>(row)[3 * place.x + c] = static_cast<uint16_t>(mean);
      else
        row[3 * place.x + c] = static_cast<uint8_t>(mean);
    }
  }
}

} // namespace lumicomb
