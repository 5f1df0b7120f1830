#include "rules/most_different.h"

#include "base/numbers.h"
#include "rules/byte_lines.h"
#include "rules/vector_clones.h"

#include <vector>

namespace lumicomb {
namespace {

using namespace lines;

/// Sources added in 16-bit lanes before the totals are widened: 257 x 255 still fits.
constexpr int kWordChunk = 257;

/// The rounded average of the sources at each position of the line, by table look-up.
[[gnu::always_inline]] inline Line averageOf(const uint8_t *const *rows, int sources, int64_t start,
                                             const uint8_t *averages) {
  uint32_t totals[kLine] = {};
  for (int first = 0; first < sources; first += kWordChunk) {
    WordLine chunk = {};
    const int last = std::min(sources, first + kWordChunk);
    for (int i = first; i < last; ++i) {
      const WordLine words = widen(load(rows[i] + start));
      for (int p = 0; p < 2 * kParts; ++p)
        chunk.part[p] += words.part[p];
    }
    uint16_t words[kLine];
    std::memcpy(words, &chunk, sizeof words);
    for (int64_t k = 0; k < kLine; ++k)
      totals[k] += words[k];
  }
  uint8_t bytes[kLine];
  for (int64_t k = 0; k < kLine; ++k)
    bytes[k] = averages[totals[k]];
  return load(bytes);
}

/// Built twice (once in sanitizer builds), and the wider vector unit is used where the processor
/// has it; both give the same bytes.
LUMICOMB_VECTOR_CLONES void reduceMostDifferentRow(const uint8_t *const *rows, int sources,
                                                   int64_t length, const uint8_t *averages,
                                                   uint8_t *out) {
  forEachLine(rows, sources, length, out,
              [&](const uint8_t *const *lineRows, int64_t start) LUMICOMB_ALWAYS_INLINE {
                const Line average = averageOf(lineRows, sources, start, averages);
                Line chosen = average;
                Line keptDistance = {};
                // In source order with "at least as far": image 1 is always taken, and a later
                // source replaces the kept value on an equal distance.
                for (int i = 0; i < sources; ++i) {
                  const Line sample = load(lineRows[i] + start);
                  for (int p = 0; p < kParts; ++p) {
                    const Bytes distance = larger(sample.part[p], average.part[p]) -
                                           smaller(sample.part[p], average.part[p]);
                    const ByteMask take = distance >= keptDistance.part[p];
                    chosen.part[p] = choose(take, sample.part[p], chosen.part[p]);
                    keptDistance.part[p] = choose(take, distance, keptDistance.part[p]);
                  }
                }
                return chosen;
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
