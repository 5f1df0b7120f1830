#include "rules/different_from_first.h"

#include "base/large_buffer.h"
#include "rules/vector_clones.h"

#include <algorithm>
#include <cstring>

namespace lumicomb {
namespace {

/// What the limit is measured on: the sample itself at 8 bits, its 8-bit equivalent at 16, so
/// that the rule decides the same at either depth.
inline uint8_t eightBitsOf(uint8_t sample) { return sample; }
inline uint8_t eightBitsOf(uint16_t sample) { return eightBitEquivalent(sample); }

/// Keeps each later sample that differs from image 1's by at least `limit`, with its number, where
/// it outnumbers the one kept. Built twice (once in sanitizer builds), and the wider vector unit is
/// used where the processor has it; both give the same bytes.
template <typename Sample, typename Kept>
LUMICOMB_VECTOR_CLONES void keepDifferent(const Sample *__restrict samples,
                                          const uint8_t *__restrict first, Kept *__restrict kept,
                                          int64_t length, Kept number, uint8_t limit) {
  for (int64_t k = 0; k < length; ++k) {
    // Branch-free, so that the compiler does the row a vector at a time.
    const Sample sample = samples[k];
    const uint8_t measured = eightBitsOf(sample);
    const auto difference =
        static_cast<uint8_t>(std::max(measured, first[k]) - std::min(measured, first[k]));
    const auto candidate = static_cast<Kept>(number | sample);
    const bool take = (difference >= limit) & (candidate > kept[k]);
    kept[k] = take ? candidate : kept[k];
  }
}

/// Image 1's plane (at 16 bits its 8-bit equivalents, all the comparison needs of it), and per
/// channel the value kept with the number of the source that gave it above it, in one word: image
/// number << 8 | value (<< 16 at 16 bits). Comparing words compares the numbers, which makes the
/// highest-numbered qualifying source win whatever order the sources arrive in, and one word per
/// channel is read and written once per source. At 8 bits and up to 255 sources the word is 16
/// bits wide, to keep the planes small.
template <typename Sample, typename Kept> class DifferentFromFirstRule : public SweepRule {
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

  void collect(int image, int64_t y, const uint8_t *__restrict bytes) override {
    const int64_t row = y * m_rowLength;
    // Locals: byte stores could alias the members, which would stop the vectoriser.
    const int64_t length = m_rowLength;
    const Sample *__restrict samples = reinterpret_cast<const Sample *>(bytes);
    Kept *__restrict kept = m_kept.data() + row;
    if (image == 1) {
      uint8_t *__restrict first = m_first.data() + row;
      if constexpr (sizeof(Sample) == 1)
        std::memcpy(first, samples, static_cast<size_t>(length));
      else
        for (int64_t k = 0; k < length; ++k)
          first[k] = eightBitsOf(samples[k]);
      for (int64_t k = 0; k < length; ++k)
        kept[k] = samples[k];
      return;
    }
    keepDifferent<Sample, Kept>(samples, m_first.data() + row, kept, length,
                                static_cast<Kept>(static_cast<Kept>(image) << 8 * sizeof(Sample)),
                                static_cast<uint8_t>(m_limit));
  }

  void reduce(int64_t y, uint8_t *bytes) const override {
    const Kept *__restrict kept = m_kept.data() + y * m_rowLength;
    Sample *__restrict out = reinterpret_cast<Sample *>(bytes);
    const int64_t length = m_rowLength;
    for (int64_t k = 0; k < length; ++k)
      out[k] = static_cast<Sample>(kept[k]);
  }

private:
  int m_limit;
  int64_t m_rowLength = 0;
  LargePlane<uint8_t> m_first;
  LargePlane<Kept> m_kept;
};

/// Picks the word width once the number of sources is known: at 16 bits the 32767 images a set
/// holds at most fit beside a 16-bit value in 32 bits.
class DifferentFromFirst : public SweepRule {
public:
  DifferentFromFirst(int limit, SampleDepth depth) : m_limit(limit), m_depth(depth) {}

  void begin(int sources, int64_t width, int64_t height) override {
    if (m_depth == SampleDepth::Sixteen)
      m_rule = std::make_unique<DifferentFromFirstRule<uint16_t, uint32_t>>(m_limit);
    else if (sources <= UINT8_MAX)
      m_rule = std::make_unique<DifferentFromFirstRule<uint8_t, uint16_t>>(m_limit);
    else
      m_rule = std::make_unique<DifferentFromFirstRule<uint8_t, uint32_t>>(m_limit);
    m_rule->begin(sources, width, height);
  }
  uint64_t workingBytes(int sources, int64_t width, int64_t height) const override {
    if (m_depth == SampleDepth::Sixteen)
      return DifferentFromFirstRule<uint16_t, uint32_t>::planeBytes(width, height);
    return sources <= UINT8_MAX
               ? DifferentFromFirstRule<uint8_t, uint16_t>::planeBytes(width, height)
               : DifferentFromFirstRule<uint8_t, uint32_t>::planeBytes(width, height);
  }
  /// Every later sample is compared with image 1's.
  bool needsImageOneFirst() const override { return true; }
  void collect(int image, int64_t y, const uint8_t *samples) override {
    m_rule->collect(image, y, samples);
  }
  void reduce(int64_t y, uint8_t *out) const override { m_rule->reduce(y, out); }

private:
  int m_limit;
  SampleDepth m_depth;
  std::unique_ptr<SweepRule> m_rule;
};

} // namespace

std::unique_ptr<SweepRule> differentFromFirstRule(int limit, SampleDepth depth) {
  return std::make_unique<DifferentFromFirst>(limit, depth);
}

} // namespace lumicomb
