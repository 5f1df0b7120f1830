#include "rules/most_different.h"

#include "base/numbers.h"
#include "rules/byte_blocks.h"
#include "rules/vector_clones.h"

#include <vector>

namespace lumicomb {
namespace {

using namespace blocks;

/// Sources added in 16-bit lanes before the totals are widened: 257 x 255 still fits.
constexpr int kWordChunk = 257;

/// The rounded average of the sources at each of the block's positions, by table look-up.
[[gnu::always_inline]] inline void averageOf(const uint8_t *const *rows, int sources, int64_t start,
                                             const uint8_t *averages, Block &average) {
  uint32_t totals[kBlock] = {};
  for (int first = 0; first < sources; first += kWordChunk) {
    WordBlock chunk = {};
    const int last = std::min(sources, first + kWordChunk);
    for (int i = first; i < last; ++i) {
      const uint8_t *row = rows[i] + start;
      for (int64_t v = 0; v < kVectors; ++v)
        chunk[v] += __builtin_convertvector(load(row + v * kLanes), Words);
    }
    uint16_t words[kBlock];
    std::memcpy(words, chunk, sizeof words);
    for (int64_t k = 0; k < kBlock; ++k)
      totals[k] += words[k];
  }
  uint8_t bytes[kBlock];
  for (int64_t k = 0; k < kBlock; ++k)
    bytes[k] = averages[totals[k]];
  std::memcpy(average, bytes, sizeof bytes);
}

/// Built twice (once in sanitizer builds), and the wider vector unit is used where the processor
/// has it; both give the same bytes.
LUMICOMB_VECTOR_CLONES void reduceMostDifferentRow(const uint8_t *const *rows, int sources,
                                                   int64_t length, const uint8_t *averages,
                                                   uint8_t *out) {
  forEachBlock(rows, sources, length, out,
               [&](const uint8_t *const *blockRows, int64_t start, Block &chosen) {
                 Block average;
                 averageOf(blockRows, sources, start, averages, average);
                 Block keptDistance = {};
                 for (int64_t v = 0; v < kVectors; ++v)
                   chosen[v] = average[v];
                 // In source order with "at least as far": image 1 is always taken, and a later
                 // source replaces the kept value on an equal distance.
                 for (int i = 0; i < sources; ++i) {
                   const uint8_t *row = blockRows[i] + start;
                   for (int64_t v = 0; v < kVectors; ++v) {
                     const Bytes sample = load(row + v * kLanes);
                     const Bytes distance =
                         larger(sample, average[v]) - smaller(sample, average[v]);
                     const ByteMask take = distance >= keptDistance[v];
                     chosen[v] = choose(take, sample, chosen[v]);
                     keptDistance[v] = choose(take, distance, keptDistance[v]);
                   }
                 }
               });
}

/// Works on every source's row at once, so the sources are decoded once instead of once for the
/// average and once more for the choice.
class MostDifferentRule : public BandRule {
public:
  void begin(int sources) override {
    m_sources = sources;
    m_averages = quotientTable(255 * int64_t{sources}, sources);
  }

  void reduceRow(const uint8_t *const *rows, int64_t length, uint8_t *out) const override {
    reduceMostDifferentRow(rows, m_sources, length, m_averages.data(), out);
  }

private:
  int m_sources = 0;
  std::vector<uint8_t> m_averages;
};

} // namespace

std::unique_ptr<BandRule> mostDifferentRule() { return std::make_unique<MostDifferentRule>(); }

} // namespace lumicomb
