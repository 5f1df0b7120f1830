#include "rules/different_from_first.h"

#include "base/large_buffer.h"
#include "rules/vector_clones.h"

#include <algorithm>
#include <cstring>

namespace lumicomb {
namespace {

/// Keeps each later sample that differs from image 1's by at least `limit`, with its number, where
/// it outnumbers the one kept. Built twice (once in sanitizer builds), and the wider vector unit is
/// used where the processor has it; both give the same bytes.
template <typename Kept>
LUMICOMB_VECTOR_CLONES void keepDifferent(const uint8_t *__restrict samples,
                                          const uint8_t *__restrict first, Kept *__restrict kept,
                                          int64_t length, Kept number, uint8_t limit) {
  for (int64_t k = 0; k < length; ++k) {
    // Branch-free, so that the compiler does the row a vector at a time.
    const uint8_t sample = samples[k];
    const auto difference =
        static_cast<uint8_t>(std::max(sample, first[k]) - std::min(sample, first[k]));
    const auto candidate = static_cast<Kept>(number | sample);
    const bool take = (difference >= limit) & (candidate > kept[k]);
    kept[k] = take ? candidate : kept[k];
  }
}

/// Image 1's plane, and per channel the value kept with the number of the source that gave it
/// above it, in one word: image number << 8 | value. Comparing words compares the numbers, which
/// makes the highest-numbered qualifying source win whatever order the sources arrive in, and
/// one word per channel is read and written once per source. Up to 255 sources the word is 16
/// bits wide, to keep the planes small.
template <typename Kept> class DifferentFromFirstRule : public SweepRule {
public:
  explicit DifferentFromFirstRule(int limit) : m_limit(limit) {}

  void begin(int, int64_t width, int64_t height) override {
    m_rowLength = 3 * width;
    const size_t size = static_cast<size_t>(m_rowLength * height);
    m_first = LargePlane<uint8_t>(size);
    m_kept = LargePlane<Kept>(size); // image 1 stands as number 0
  }

  static uint64_t planeBytes(int64_t width, int64_t height) {
    return (1 + sizeof(Kept)) * 3 * static_cast<uint64_t>(width * height);
  }
  uint64_t workingBytes(int, int64_t width, int64_t height) const override {
    return planeBytes(width, height);
  }

  void collect(int image, int64_t y, const uint8_t *__restrict samples) override {
    const int64_t row = y * m_rowLength;
    // Locals: byte stores could alias the members, which would stop the vectoriser.
    const int64_t length = m_rowLength;
    Kept *__restrict kept = m_kept.data() + row;
    if (image == 1) {
      std::memcpy(m_first.data() + row, samples, static_cast<size_t>(length));
      for (int64_t k = 0; k < length; ++k)
        kept[k] = samples[k];
      return;
    }
    keepDifferent<Kept>(samples, m_first.data() + row, kept, length,
                        static_cast<Kept>(static_cast<Kept>(image) << 8),
                        static_cast<uint8_t>(m_limit));
  }

  void reduce(int64_t y, uint8_t *out) const override {
    const Kept *__restrict kept = m_kept.data() + y * m_rowLength;
    const int64_t length = m_rowLength;
    for (int64_t k = 0; k < length; ++k)
      out[k] = static_cast<uint8_t>(kept[k]);
  }

private:
  int m_limit;
  int64_t m_rowLength = 0;
  LargePlane<uint8_t> m_first;
  LargePlane<Kept> m_kept;
};

/// keepDifferent at 16 bits: the limit is taken on the samples' 8-bit equivalents, so the rule
/// decides as it would at 8 bits, and the 16-bit sample is kept below its image number.
LUMICOMB_VECTOR_CLONES void keepDifferentWide(const uint16_t *__restrict samples,
                                              const uint8_t *__restrict first,
                                              uint32_t *__restrict kept, int64_t length,
                                              uint32_t number, uint8_t limit) {
  for (int64_t k = 0; k < length; ++k) {
    const uint16_t sample = samples[k];
    const uint8_t equivalent = eightBitEquivalent(sample);
    const auto difference =
        static_cast<uint8_t>(std::max(equivalent, first[k]) - std::min(equivalent, first[k]));
    const uint32_t candidate = number | sample;
    const bool take = (difference >= limit) & (candidate > kept[k]);
    kept[k] = take ? candidate : kept[k];
  }
}

/// The same at 16 bits, with image 1's plane held as its 8-bit equivalents, all the comparison
/// needs of it, and the kept words as image number << 16 | value.
class WideDifferentFromFirst : public SweepRule {
public:
  explicit WideDifferentFromFirst(int limit) : m_limit(limit) {}

  void begin(int, int64_t width, int64_t height) override {
    m_rowLength = 3 * width;
    const size_t size = static_cast<size_t>(m_rowLength * height);
    m_first = LargePlane<uint8_t>(size);
    m_kept = LargePlane<uint32_t>(size);
  }
  uint64_t workingBytes(int, int64_t width, int64_t height) const override {
    return (1 + sizeof(uint32_t)) * 3 * static_cast<uint64_t>(width * height);
  }
  bool needsImageOneFirst() const override { return true; }

  void collect(int image, int64_t y, const uint8_t *bytes) override {
    const int64_t row = y * m_rowLength;
    const int64_t length = m_rowLength;
    const auto *__restrict samples = reinterpret_cast<const uint16_t *>(bytes);
    uint8_t *__restrict first = m_first.data() + row;
    uint32_t *__restrict kept = m_kept.data() + row;
    if (image == 1) {
      for (int64_t k = 0; k < length; ++k) {
        first[k] = eightBitEquivalent(samples[k]);
        kept[k] = samples[k];
      }
      return;
    }
    keepDifferentWide(samples, first, kept, length, static_cast<uint32_t>(image) << 16,
                      static_cast<uint8_t>(m_limit));
  }

  void reduce(int64_t y, uint8_t *bytes) const override {
    const uint32_t *__restrict kept = m_kept.data() + y * m_rowLength;
    auto *__restrict out = reinterpret_cast<uint16_t *>(bytes);
    const int64_t length = m_rowLength;
    for (int64_t k = 0; k < length; ++k)
      out[k] = static_cast<uint16_t>(kept[k]);
  }

private:
  int m_limit;
  int64_t m_rowLength = 0;
  LargePlane<uint8_t> m_first;
  LargePlane<uint32_t> m_kept;
};

/// Picks the word width once the number of sources is known.
class DifferentFromFirst : public SweepRule {
public:
  explicit DifferentFromFirst(int limit) : m_limit(limit) {}

  void begin(int sources, int64_t width, int64_t height) override {
    if (sources <= UINT8_MAX)
      m_rule = std::make_unique<DifferentFromFirstRule<uint16_t>>(m_limit);
    else
      m_rule = std::make_unique<DifferentFromFirstRule<uint32_t>>(m_limit);
    m_rule->begin(sources, width, height);
  }
  uint64_t workingBytes(int sources, int64_t width, int64_t height) const override {
    return sources <= UINT8_MAX ? DifferentFromFirstRule<uint16_t>::planeBytes(width, height)
                                : DifferentFromFirstRule<uint32_t>::planeBytes(width, height);
  }
  /// Every later sample is compared with image 1's.
  bool needsImageOneFirst() const override { return true; }
  void collect(int image, int64_t y, const uint8_t *samples) override {
    m_rule->collect(image, y, samples);
  }
  void reduce(int64_t y, uint8_t *out) const override { m_rule->reduce(y, out); }

private:
  int m_limit;
  std::unique_ptr<SweepRule> m_rule;
};

} // namespace

std::unique_ptr<SweepRule> differentFromFirstRule(int limit, SampleDepth depth) {
  if (depth == SampleDepth::Sixteen)
    return std::make_unique<WideDifferentFromFirst>(limit);
  return std::make_unique<DifferentFromFirst>(limit);
}

} // namespace lumicomb
