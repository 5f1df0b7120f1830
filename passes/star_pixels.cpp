#include "passes/star_pixels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace lumicomb {
namespace {

constexpr int64_t kTile = 32;

/// The brightest channel of each pixel of a row.
template <typename Sample>
void brightestOf(const uint8_t *bytes, int64_t width, std::vector<int32_t> &out) {
  const Sample *samples = reinterpret_cast<const Sample *>(bytes);
  for (int64_t x = 0; x < width; ++x)
    out[static_cast<size_t>(x)] =
        std::max({samples[3 * x], samples[3 * x + 1], samples[3 * x + 2]});
}

class Brightness {
public:
  Brightness(const FrameRows &rows, int64_t width, SampleDepth depth)
      : m_rows(rows), m_width(width), m_wide(depth == SampleDepth::Sixteen),
        m_row(static_cast<size_t>(width)) {}

  const std::vector<int32_t> &row(int64_t y) {
    if (m_wide)
      brightestOf<uint16_t>(m_rows(y), m_width, m_row);
    else
      brightestOf<uint8_t>(m_rows(y), m_width, m_row);
    return m_row;
  }

private:
  const FrameRows &m_rows;
  int64_t m_width;
  bool m_wide;
  std::vector<int32_t> m_row;
};

int32_t medianOf(std::vector<int32_t> &values) {
  if (values.empty())
    return 0;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

/// The value at the middle of the order of `total` values, counts[v] of them v, as medianOf
/// selects it.
template <typename Count>
int32_t middleOfCounts(const Count *counts, size_t values, uint64_t total) {
  uint64_t seen = 0;
  for (size_t value = 0; value < values; ++value) {
    seen += counts[value];
    if (seen > total / 2)
      return static_cast<int32_t>(value);
  }
  return 0;
}

/// The counts of values from 0 to 65535, whose median is the value at the middle of their order,
/// as medianOf finds it; counted, since a frame's neighbour differences come by the million.
class Histogram {
public:
  void add(int32_t value) {
    ++m_counts[static_cast<size_t>(value)];
    ++m_total;
  }

  int32_t median() const { return middleOfCounts(m_counts.data(), m_counts.size(), m_total); }

private:
  std::vector<uint64_t> m_counts = std::vector<uint64_t>(65536, 0);
  uint64_t m_total = 0;
};

} // namespace

StarPixels findStarPixels(const FrameRows &rows, int64_t width, int64_t height, SampleDepth depth) {
  StarPixels found;
  found.width = width;
  found.height = height;
  found.depth = depth;
  if (static_cast<uint64_t>(width * height) > UINT32_MAX) {
    found.tooMany = true; // places would not fit their numbers
    return found;
  }
  Brightness brightness(rows, width, depth);
  const int64_t tilesAcross = (width + kTile - 1) / kTile;
  const int64_t tilesDown = (height + kTile - 1) / kTile;

  // Each tile's median, from every other pixel of every other row; the noise from the
  // differences of horizontal neighbours on every fourth row.
  std::vector<int32_t> skyOf(static_cast<size_t>(tilesAcross * tilesDown));
  Histogram differences;
  // At 8 bits a tile's samples are counted in 256 bins, at 16 kept and selected from.
  const bool wide = depth == SampleDepth::Sixteen;
  std::vector<std::vector<int32_t>> tileSamples(wide ? static_cast<size_t>(tilesAcross) : 0);
  std::vector<uint16_t> tileCounts(wide ? 0 : static_cast<size_t>(tilesAcross) * 256);
  std::vector<uint32_t> tileTotals(static_cast<size_t>(tilesAcross));
  for (int64_t ty = 0; ty < tilesDown; ++ty) {
    for (auto &samples : tileSamples)
      samples.clear();
    std::fill(tileCounts.begin(), tileCounts.end(), uint16_t{0});
    std::fill(tileTotals.begin(), tileTotals.end(), 0u);
    for (int64_t y = ty * kTile; y < std::min(height, (ty + 1) * kTile); y += 2) {
      const std::vector<int32_t> &row = brightness.row(y);
      for (int64_t x = 0; x < width; x += 2) {
        const auto tile = static_cast<size_t>(x / kTile);
        if (wide)
          tileSamples[tile].push_back(row[static_cast<size_t>(x)]);
        else
          ++tileCounts[256 * tile + static_cast<size_t>(row[static_cast<size_t>(x)])];
        ++tileTotals[tile];
      }
      if (y % 4 == 0)
        for (int64_t x = 1; x < width; ++x)
          differences.add(std::abs(row[static_cast<size_t>(x)] - row[static_cast<size_t>(x - 1)]));
    }
    for (int64_t tx = 0; tx < tilesAcross; ++tx) {
      const auto tile = static_cast<size_t>(tx);
      skyOf[static_cast<size_t>(ty * tilesAcross) + tile] =
          wide ? medianOf(tileSamples[tile])
               : middleOfCounts(&tileCounts[256 * tile], 256, tileTotals[tile]);
    }
  }
  const double noise = 1.0483 * differences.median();
  const int32_t levels = depth == SampleDepth::Sixteen ? 257 : 1;
  const auto margin = static_cast<int32_t>(std::max(6 * noise, 12.0 * levels));
  std::vector<int32_t> limitOf(skyOf.size());
  for (int64_t ty = 0; ty < tilesDown; ++ty)
    for (int64_t tx = 0; tx < tilesAcross; ++tx) {
      int32_t highest = 0;
      for (int64_t ny = std::max<int64_t>(0, ty - 1); ny <= std::min(tilesDown - 1, ty + 1); ++ny)
        for (int64_t nx = std::max<int64_t>(0, tx - 1); nx <= std::min(tilesAcross - 1, tx + 1);
             ++nx)
          highest = std::max(highest, skyOf[static_cast<size_t>(ny * tilesAcross + nx)]);
      limitOf[static_cast<size_t>(ty * tilesAcross + tx)] = highest + margin;
    }

  const uint64_t most = static_cast<uint64_t>(width * height) / 8;
  for (int64_t y = 0; y < height; ++y) {
    const std::vector<int32_t> &row = brightness.row(y);
    const int32_t *limits = &limitOf[static_cast<size_t>((y / kTile) * tilesAcross)];
    const uint8_t *bytes = nullptr;
    for (int64_t tx = 0; tx < tilesAcross; ++tx) {
      // Most of a row's tiles hold no star: one look at their brightest pixel passes them by.
      const int64_t start = tx * kTile, end = std::min(width, start + kTile);
      const int32_t limit = limits[tx];
      if (*std::max_element(row.begin() + start, row.begin() + end) <= limit)
        continue;
      for (int64_t x = start; x < end; ++x) {
        if (row[static_cast<size_t>(x)] <= limit)
          continue;
        if (found.places.size() >= most) {
          found.places.clear();
          found.samples.clear();
          found.tooMany = true;
          return found;
        }
        if (!bytes)
          bytes = rows(y);
        found.places.push_back(static_cast<uint32_t>(y * width + x));
        for (int c = 0; c < 3; ++c)
          found.samples.push_back(depth == SampleDepth::Sixteen
                                      ? reinterpret_cast<const uint16_t *>(bytes)[3 * x + c]
                                      : bytes[3 * x + c]);
      }
    }
  }
  return found;
}

} // namespace lumicomb
