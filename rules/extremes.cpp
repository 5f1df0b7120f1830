#include "rules/extremes.h"

#include "base/large_buffer.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace lumicomb {
namespace {

/// One plane of extremes. It starts at the value every sample beats or equals (0 for the
/// largest, the largest sample for the smallest), which gives the same result as starting from
/// image 1, and lets the sources come in any order.
template <typename Sample, typename Keep> class ExtremeRule : public SweepRule {
public:
  explicit ExtremeRule(Sample start) : m_start(start) {}

  void begin(int, int64_t width, int64_t height) override {
    m_rowLength = 3 * width;
    const size_t size = static_cast<size_t>(m_rowLength * height);
    m_plane = LargePlane<Sample>(size);
    if (m_start != 0)
      std::fill_n(m_plane.data(), size, m_start);
  }

  uint64_t workingBytes(int, int64_t width, int64_t height) const override {
    return sizeof(Sample) * 3 * static_cast<uint64_t>(width * height);
  }

  void collect(int, int64_t y, const uint8_t *__restrict bytes) override {
    // A local length: byte stores could alias the member, which would stop the vectoriser.
    const int64_t length = m_rowLength;
    const Sample *__restrict samples = reinterpret_cast<const Sample *>(bytes);
    Sample *__restrict kept = m_plane.data() + y * length;
    for (int64_t k = 0; k < length; ++k)
      kept[k] = Keep{}(kept[k], samples[k]);
  }

  void reduce(int64_t y, uint8_t *out) const override {
    std::memcpy(out, m_plane.data() + y * m_rowLength,
                static_cast<size_t>(m_rowLength) * sizeof(Sample));
  }

private:
  Sample m_start;
  int64_t m_rowLength = 0;
  LargePlane<Sample> m_plane;
};

struct Larger {
  template <typename Sample> Sample operator()(Sample a, Sample b) const { return std::max(a, b); }
};
struct Smaller {
  template <typename Sample> Sample operator()(Sample a, Sample b) const { return std::min(a, b); }
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
