#include "rules/median.h"

#include "rules/byte_blocks.h"
#include "rules/vector_clones.h"

namespace lumicomb {
namespace {

using namespace blocks;

/// The value of 0-based rank `rank` among the sources at each of the block's positions: the
/// largest v with at most `rank` values below it, found bit by bit from the top by counting.
/// Counting works on whole vectors where a sort would branch per position, and costs the same
/// for any order of the sources.
[[gnu::always_inline]] inline void selectRank(const uint8_t *const *rows, int sources,
                                              int64_t start, int64_t rank, Block &found) {
  const Words rankLimit = Words{} + static_cast<uint16_t>(rank);
  for (Bytes &value : found)
    value = Bytes{};
  for (int bit = 128; bit > 0; bit >>= 1) {
    Block trial;
    for (int64_t v = 0; v < kVectors; ++v)
      trial[v] = found[v] | static_cast<uint8_t>(bit);
    WordBlock below;
    countSources(rows, sources, start, trial, below, [](Bytes s, Bytes t) { return s < t; });
    for (int64_t v = 0; v < kVectors; ++v)
      found[v] = choose(narrow(below[v] <= rankLimit), trial[v], found[v]);
  }
}

/// The smallest value above `middle` at each position (255 where there is none).
[[gnu::always_inline]] inline void nextValueAbove(const uint8_t *const *rows, int sources,
                                                  int64_t start, const Block &middle, Block &next) {
  for (Bytes &value : next)
    value = Bytes{} + uint8_t{255};
  for (int i = 0; i < sources; ++i) {
    const uint8_t *row = rows[i] + start;
    for (int64_t v = 0; v < kVectors; ++v) {
      const Bytes sample = load(row + v * kLanes);
      next[v] = smaller(next[v], choose(sample > middle[v], sample, next[v]));
    }
  }
}

/// Turns the lower middle value into the mean of both middle values, halves to even. The upper
/// middle value is the lower one again when more than half the sources are at or below it, else
/// the smallest value above it.
[[gnu::always_inline]] inline void averageWithUpperMiddle(const uint8_t *const *rows, int sources,
                                                          int64_t start, Block &middle) {
  WordBlock atOrBelow;
  countSources(rows, sources, start, middle, atOrBelow, [](Bytes s, Bytes m) { return s <= m; });
  Block next;
  nextValueAbove(rows, sources, start, middle, next);
  // A set holds at most 32767 images, so half the count fits a lane exactly. Naming the lane
  // value first keeps the spread over the vector a plain 16-bit one: GCC refuses to spread the
  // quotient itself once -fsanitize=signed-integer-overflow guards the division.
  const uint16_t halfCount = static_cast<uint16_t>(sources / 2);
  const Words half = Words{} + halfCount;
  for (int64_t v = 0; v < kVectors; ++v) {
    const Bytes upper = choose(narrow(atOrBelow[v] > half), middle[v], next[v]);
    middle[v] = meanHalfToEven(middle[v], upper);
  }
}

/// Built twice (once in sanitizer builds), and the wider vector unit is used where the processor
/// has it; both give the same bytes.
LUMICOMB_VECTOR_CLONES void reduceMedianRow(const uint8_t *const *rows, int sources, int64_t length,
                                            uint8_t *out) {
  const bool even = sources % 2 == 0;
  // Ranks from 0: the upper middle of an odd count, the lower middle of an even one.
  const int64_t rank = even ? sources / 2 - 1 : sources / 2;
  forEachBlock(rows, sources, length, out,
               [&](const uint8_t *const *blockRows, int64_t start, Block &result) {
                 selectRank(blockRows, sources, start, rank, result);
                 if (even)
                   averageWithUpperMiddle(blockRows, sources, start, result);
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
