#include "rules/extremes.h"

#include "base/large_buffer.h"

#include <algorithm>
#include <cstring>

namespace lumicomb {
namespace {

/// One plane of extremes. It starts at the value every sample beats or equals (0 for the
/// largest, 255 for the smallest), which gives the same result as starting from image 1, and
/// lets the sources come in any order.
template <typename Keep> class ExtremeRule : public SweepRule {
public:
  explicit ExtremeRule(uint8_t start) : m_start(start) {}

  void begin(int, int64_t width, int64_t height) override {
    m_rowLength = 3 * width;
    const size_t size = static_cast<size_t>(m_rowLength * height);
    m_plane = LargePlane<uint8_t>(size);
    if (m_start != 0)
      std::memset(m_plane.data(), m_start, size);
  }

  uint64_t workingBytes(int, int64_t width, int64_t height) const override {
    return 3 * static_cast<uint64_t>(width * height);
  }

  void collect(int, int64_t y, const uint8_t *__restrict samples) override {
    // A local length: byte stores could alias the member, which would stop the vectoriser.
    const int64_t length = m_rowLength;
    uint8_t *__restrict kept = m_plane.data() + y * length;
    for (int64_t k = 0; k < length; ++k)
      kept[k] = Keep{}(kept[k], samples[k]);
  }

  void reduce(int64_t y, uint8_t *out) const override {
    std::memcpy(out, m_plane.data() + y * m_rowLength, static_cast<size_t>(m_rowLength));
  }

private:
  uint8_t m_start;
  int64_t m_rowLength = 0;
  LargePlane<uint8_t> m_plane;
};

struct Larger {
  uint8_t operator()(uint8_t a, uint8_t b) const { return std::max(a, b); }
};
struct Smaller {
  uint8_t operator()(uint8_t a, uint8_t b) const { return std::min(a, b); }
};

} // namespace

std::unique_ptr<SweepRule> brightestRule() { return std::make_unique<ExtremeRule<Larger>>(0); }

std::unique_ptr<SweepRule> darkestRule() { return std::make_unique<ExtremeRule<Smaller>>(255); }

} // namespace lumicomb
