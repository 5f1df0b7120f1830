#include "rules/different_from_first.h"

#include "base/large_buffer.h"

#include <algorithm>
#include <cstring>

namespace lumicomb {
namespace {

/// Image 1's plane, the values kept and, per channel, the number of the source that gave the kept
/// value. The number makes the highest-numbered qualifying source win whatever order the
/// sources arrive in; it is a byte up to 255 sources to keep the planes small.
template <typename ImageNumber> class DifferentFromFirstRule : public SweepRule {
public:
  explicit DifferentFromFirstRule(int limit) : m_limit(limit) {}

  void begin(int, int64_t width, int64_t height) override {
    m_rowLength = 3 * width;
    const size_t size = static_cast<size_t>(m_rowLength * height);
    m_first = LargePlane<uint8_t>(size);
    m_kept = LargePlane<uint8_t>(size);
    m_keptFrom = LargePlane<ImageNumber>(size); // 0 stands for image 1
  }

  static uint64_t planeBytes(int64_t width, int64_t height) {
    return (2 + sizeof(ImageNumber)) * 3 * static_cast<uint64_t>(width * height);
  }
  uint64_t workingBytes(int, int64_t width, int64_t height) const override {
    return planeBytes(width, height);
  }

  void collect(int image, int64_t y, const uint8_t *__restrict samples) override {
    const int64_t row = y * m_rowLength;
    uint8_t *__restrict kept = m_kept.data() + row;
    if (image == 1) {
      std::memcpy(m_first.data() + row, samples, static_cast<size_t>(m_rowLength));
      std::memcpy(kept, samples, static_cast<size_t>(m_rowLength));
      return;
    }
    const uint8_t *__restrict first = m_first.data() + row;
    ImageNumber *__restrict keptFrom = m_keptFrom.data() + row;
    const auto number = static_cast<ImageNumber>(image);
    // Locals: byte stores could alias the members, which would stop the vectoriser.
    const int64_t length = m_rowLength;
    const auto limit = static_cast<uint8_t>(m_limit);
    for (int64_t k = 0; k < length; ++k) {
      // Branch-free, so that the compiler does the row a vector at a time.
      const uint8_t sample = samples[k];
      const auto difference =
          static_cast<uint8_t>(std::max(sample, first[k]) - std::min(sample, first[k]));
      const bool take = (difference >= limit) & (number > keptFrom[k]);
      const auto mask = static_cast<ImageNumber>(-static_cast<ImageNumber>(take));
      kept[k] = static_cast<uint8_t>((sample & mask) | (kept[k] & ~mask));
      keptFrom[k] = static_cast<ImageNumber>((number & mask) | (keptFrom[k] & ~mask));
    }
  }

  void reduce(int64_t y, uint8_t *out) const override {
    std::memcpy(out, m_kept.data() + y * m_rowLength, static_cast<size_t>(m_rowLength));
  }

private:
  int m_limit;
  int64_t m_rowLength = 0;
  LargePlane<uint8_t> m_first;
  LargePlane<uint8_t> m_kept;
  LargePlane<ImageNumber> m_keptFrom;
};

/// Picks the image-number width once the number of sources is known.
class DifferentFromFirst : public SweepRule {
public:
  explicit DifferentFromFirst(int limit) : m_limit(limit) {}

  void begin(int sources, int64_t width, int64_t height) override {
    if (sources <= UINT8_MAX)
      m_rule = std::make_unique<DifferentFromFirstRule<uint8_t>>(m_limit);
    else
      m_rule = std::make_unique<DifferentFromFirstRule<uint16_t>>(m_limit);
    m_rule->begin(sources, width, height);
  }
  uint64_t workingBytes(int sources, int64_t width, int64_t height) const override {
    return sources <= UINT8_MAX ? DifferentFromFirstRule<uint8_t>::planeBytes(width, height)
                                : DifferentFromFirstRule<uint16_t>::planeBytes(width, height);
  }
  void collect(int image, int64_t y, const uint8_t *samples) override {
    m_rule->collect(image, y, samples);
  }
  void reduce(int64_t y, uint8_t *out) const override { m_rule->reduce(y, out); }

private:
  int m_limit;
  std::unique_ptr<SweepRule> m_rule;
};

} // namespace

std::unique_ptr<SweepRule> differentFromFirstRule(int limit) {
  return std::make_unique<DifferentFromFirst>(limit);
}

} // namespace lumicomb
