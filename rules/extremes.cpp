#include "rules/extremes.h"

#include "base/large_buffer.h"
#include "rules/winner_map.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace lumicomb {
namespace {

/// One plane of extremes. It starts at the value every sample beats or equals (0 for the
/// largest, the largest sample for the smallest), which gives the same result as starting from
/// image 1, and lets the sources come in any order; so does its map (see WinnerMap).
template <typename Sample, typename Keep> class ExtremeRule : public SweepRule {
public:
  explicit ExtremeRule(Sample start) : m_start(start) {}

  void begin(int, int64_t width, int64_t height) override {
    m_rowLength = 3 * width;
    const size_t size = static_cast<size_t>(m_rowLength * height);
    m_plane = LargePlane<Sample>(size);
    if (m_start != 0)
      std::fill_n(m_plane.data(), size, m_start);
    if (m_keepsMap)
      m_winners.begin(width, height);
  }

  uint64_t workingBytes(int, int64_t width, int64_t height) const override {
    const uint64_t pixels = static_cast<uint64_t>(width * height);
    return sizeof(Sample) * 3 * pixels + (m_keepsMap ? WinnerMap::bytes(width, height) : 0);
  }

  void collect(int image, int64_t y, const uint8_t *__restrict bytes) override {
    // A local length: byte stores could alias the member, which would stop the vectoriser.
    const int64_t length = m_rowLength;
    const Sample *__restrict samples = reinterpret_cast<const Sample *>(bytes);
    Sample *__restrict kept = m_plane.data() + y * length;
    if (m_keepsMap)
      m_winners.note(
          image, y, kept, [samples](int64_t p) { return samples[3 * p + 1]; },
          [](Sample a, Sample b) { return Keep::beats(a, b); });
    for (int64_t k = 0; k < length; ++k)
      kept[k] = Keep{}(kept[k], samples[k]);
  }

  void reduce(int64_t y, uint8_t *out) const override {
    std::memcpy(out, m_plane.data() + y * m_rowLength,
                static_cast<size_t>(m_rowLength) * sizeof(Sample));
  }

  void keepMap() override { m_keepsMap = true; }

  void reduceMap(int64_t y, uint16_t *out) const override { m_winners.reduce(y, out); }

private:
  Sample m_start;
  int64_t m_rowLength = 0;
  LargePlane<Sample> m_plane;
  bool m_keepsMap = false;
  WinnerMap m_winners;
};

struct Larger {
  template <typename Sample> Sample operator()(Sample a, Sample b) const { return std::max(a, b); }
  template <typename Sample> static bool beats(Sample a, Sample b) { return a > b; }
};
struct Smaller {
  template <typename Sample> Sample operator()(Sample a, Sample b) const { return std::min(a, b); }
  template <typename Sample> static bool beats(Sample a, Sample b) { return a < b; }
};

/// The rule for the depth, its plane starting from the value Keep never keeps over a sample.
template <typename Keep> std::unique_ptr<SweepRule> extremeRule(SampleDepth depth) {
  constexpr bool kSmallest = std::is_same_v<Keep, Smaller>;
  if (depth == SampleDepth::Sixteen)
    return std::make_unique<ExtremeRule<uint16_t, Keep>>(kSmallest ? UINT16_MAX : 0);
  return std::make_unique<ExtremeRule<uint8_t, Keep>>(kSmallest ? UINT8_MAX : 0);
}

} // namespace

std::unique_ptr<SweepRule> brightestRule(SampleDepth depth) { return extremeRule<Larger>(depth); }

std::unique_ptr<SweepRule> darkestRule(SampleDepth depth) { return extremeRule<Smaller>(depth); }

} // namespace lumicomb
