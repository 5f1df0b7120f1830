#include "rules/median.h"

#include "rules/byte_lines.h"
#include "rules/vector_clones.h"

namespace lumicomb {
namespace {

using namespace lines;

/// The value of 0-based rank `rank` among the sources at each position of the line: the largest
/// v with at most `rank` values below it, found bit by bit from the top by counting. Counting
/// works on whole vectors where a sort would branch per position, and costs the same for any
/// order of the sources. Up to 255 sources the counts stay in bytes.
[[gnu::always_inline]] inline Line selectRank(const uint8_t *const *rows, int sources,
                                              int64_t start, int64_t rank) {
  // Counting the sources at or above the trial value takes one step less per source than
  // counting those below it: at most `rank` below is at least sources - rank at or above.
  const auto isAtOrAbove = [](Bytes sample, Bytes trial)
                               LUMICOMB_ALWAYS_INLINE { return sample >= trial; };
  const auto atLeast = [](auto count, auto limit) LUMICOMB_ALWAYS_INLINE { return count >= limit; };
  const int64_t least = sources - rank;
  Line found = {};
  for (int bit = 128; bit > 0; bit >>= 1) {
    const Line trial = each(found, splat(static_cast<uint8_t>(bit)),
                            [](Bytes a, Bytes b) LUMICOMB_ALWAYS_INLINE { return a | b; });
    const LineMask take =
        sources <= kByteChunk
            ? compareBytes(countInBytes(rows, 0, sources, start, trial, isAtOrAbove),
                           static_cast<uint8_t>(least), atLeast)
            : compareWords(countInWords(rows, sources, start, trial, isAtOrAbove),
                           static_cast<uint16_t>(least), atLeast);
    found = choose(take, trial, found);
  }
  return found;
}

/// The smallest value above `middle` at each position (255 where there is none).
[[gnu::always_inline]] inline Line nextValueAbove(const uint8_t *const *rows, int sources,
                                                  int64_t start, const Line &middle) {
  Line next = splat(255);
  for (int i = 0; i < sources; ++i) {
    const Line sample = load(rows[i] + start);
    for (int p = 0; p < kParts; ++p)
      next.part[p] = smaller(next.part[p],
                             choose(sample.part[p] > middle.part[p], sample.part[p], next.part[p]));
  }
  return next;
}

/// The mean of the lower middle value and the upper one, halves to even. The upper middle value
/// is the lower one again when more than half the sources are at or below it, else the smallest
/// value above it.
[[gnu::always_inline]] inline Line averageWithUpperMiddle(const uint8_t *const *rows, int sources,
                                                          int64_t start, const Line &middle) {
  const auto isAtOrBelow = [](Bytes sample, Bytes reference)
                               LUMICOMB_ALWAYS_INLINE { return sample <= reference; };
  const auto above = [](auto count, auto limit) LUMICOMB_ALWAYS_INLINE { return count > limit; };
  const Line next = nextValueAbove(rows, sources, start, middle);
  // A set holds at most 32767 images, so half the count fits a 16-bit lane.
  const auto halfCount = static_cast<uint16_t>(sources / 2);
  const LineMask lowerRepeats =
      sources <= kByteChunk
          ? compareBytes(countInBytes(rows, 0, sources, start, middle, isAtOrBelow),
                         static_cast<uint8_t>(halfCount), above)
          : compareWords(countInWords(rows, sources, start, middle, isAtOrBelow), halfCount, above);
  return each(middle, choose(lowerRepeats, middle, next),
              [](Bytes a, Bytes b) LUMICOMB_ALWAYS_INLINE { return meanHalfToEven(a, b); });
}

/// Built twice (once in sanitizer builds), and the wider vector unit is used where the processor
/// has it; both give the same bytes.
LUMICOMB_VECTOR_CLONES void reduceMedianRow(const uint8_t *const *rows, int sources, int64_t length,
                                            uint8_t *out) {
  const bool even = sources % 2 == 0;
  // Ranks from 0: the upper middle of an odd count, the lower middle of an even one.
  const int64_t rank = even ? sources / 2 - 1 : sources / 2;
  forEachLine(rows, sources, length, out,
              [&](const uint8_t *const *lineRows, int64_t start) LUMICOMB_ALWAYS_INLINE {
                const Line middle = selectRank(lineRows, sources, start, rank);
                return even ? averageWithUpperMiddle(lineRows, sources, start, middle) : middle;
              });
}

class MedianRule : public BandRule {
public:
  void begin(int sources) override { m_sources = sources; }

  void reduceRow(const uint8_t *const *rows, int64_t length, uint8_t *out) const override {
    reduceMedianRow(rows, m_sources, length, out);
  }

private:
  int m_sources = 0;
};

} // namespace

std::unique_ptr<BandRule> medianRule() { return std::make_unique<MedianRule>(); }

} // namespace lumicomb
