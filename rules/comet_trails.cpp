#include "rules/comet_trails.h"

#include "base/large_buffer.h"
#include "base/numbers.h"
#include "rules/winner_map.h"

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace lumicomb {
namespace {

template <typename Sample> class CometTrailsRule : public SweepRule {
public:
  explicit CometTrailsRule(double halfLife) : m_halfLife(halfLife) {}

  void begin(int sources, int64_t width, int64_t height) override {
    m_rowLength = 3 * width;
    if (m_keepsMap)
      m_winners.begin(width, height);
    m_plane = LargePlane<Sample>(static_cast<size_t>(m_rowLength * height));
    m_weights.resize(static_cast<size_t>(sources));
    for (int image = 1; image <= sources; ++image)
      m_weights[static_cast<size_t>(image - 1)] = cometWeight(sources - image, m_halfLife);
    if constexpr (sizeof(Sample) == 1) {
      // A table per image: 256 products instead of one per sample.
      m_tables.resize(static_cast<size_t>(sources));
      for (size_t i = 0; i < m_tables.size(); ++i)
        for (int v = 0; v < 256; ++v)
          m_tables[i][static_cast<size_t>(v)] =
              static_cast<uint8_t>(roundHalfEvenSmall(m_weights[i] * v));
    }
  }

  uint64_t workingBytes(int sources, int64_t width, int64_t height) const override {
    const uint64_t perImage = sizeof(double) + (sizeof(Sample) == 1 ? 256 : 0);
    return sizeof(Sample) * 3 * static_cast<uint64_t>(width * height) +
           perImage * static_cast<uint64_t>(sources) +
           (m_keepsMap ? WinnerMap::bytes(width, height) : 0);
  }

  void collect(int image, int64_t y, const uint8_t *__restrict bytes) override {
    const int64_t length = m_rowLength;
    Sample *__restrict kept = m_plane.data() + y * length;
    if (m_keepsMap)
      m_winners.note(
          image, y, kept,
          [&](int64_t p) {
            return faded(image, reinterpret_cast<const Sample *>(bytes)[3 * p + 1]);
          },
          [](Sample a, Sample b) { return a > b; });
    if constexpr (sizeof(Sample) == 1) {
      const uint8_t *__restrict table = m_tables[static_cast<size_t>(image - 1)].data();
      for (int64_t k = 0; k < length; ++k)
        kept[k] = std::max(kept[k], table[bytes[k]]);
    } else {
      const double weight = m_weights[static_cast<size_t>(image - 1)];
      const Sample *__restrict samples = reinterpret_cast<const Sample *>(bytes);
      for (int64_t k = 0; k < length; ++k) {
        const auto faded = static_cast<Sample>(roundHalfEvenSmall(weight * samples[k]));
        kept[k] = std::max(kept[k], faded);
      }
    }
  }

  void reduce(int64_t y, uint8_t *out) const override {
    std::memcpy(out, m_plane.data() + y * m_rowLength,
                static_cast<size_t>(m_rowLength) * sizeof(Sample));
  }

  void keepMap() override { m_keepsMap = true; }

  void reduceMap(int64_t y, uint16_t *out) const override { m_winners.reduce(y, out); }

private:
  /// Image `image`'s sample as the rule keeps it, faded.
  Sample faded(int image, Sample sample) const {
    if constexpr (sizeof(Sample) == 1)
      return m_tables[static_cast<size_t>(image - 1)][sample];
    else
      return static_cast<Sample>(
          roundHalfEvenSmall(m_weights[static_cast<size_t>(image - 1)] * sample));
  }

  double m_halfLife;
  int64_t m_rowLength = 0;
  LargePlane<Sample> m_plane;
  std::vector<double> m_weights;
  std::vector<std::array<uint8_t, 256>> m_tables;
  bool m_keepsMap = false;
  WinnerMap m_winners;
};

} // namespace

double cometWeight(int64_t age, double halfLife) {
  return std::exp2(-static_cast<double>(age) / halfLife);
}

std::unique_ptr<SweepRule> cometTrailsRule(double halfLife, SampleDepth depth) {
  if (depth == SampleDepth::Sixteen)
    return std::make_unique<CometTrailsRule<uint16_t>>(halfLife);
  return std::make_unique<CometTrailsRule<uint8_t>>(halfLife);
}

} // namespace lumicomb
