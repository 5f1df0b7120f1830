#include "rules/most_different.h"

#include "base/numbers.h"
#include "rules/byte_lines.h"
#include "rules/half_even_division.h"
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

/// The rounded average of 16-bit samples at each position of the line, the totals in 32-bit lanes
/// (32767 sources of 65535 still fit).
[[gnu::always_inline]] inline WordLine wideAverageOf(const uint8_t *const *rows, int sources,
                                                     int64_t start, HalfEvenDivision divide) {
  using HalfWords = uint16_t __attribute__((vector_size(16)));
  using Totals = uint32_t __attribute__((vector_size(32)));
  Totals totals[4 * kParts] = {};
  for (int i = 0; i < sources; ++i) {
    const WordLine words = loadWords(rows[i] + 2 * start);
    for (int p = 0; p < 2 * kParts; ++p) {
      const HalfWords low =
          __builtin_shufflevector(words.part[p], words.part[p], 0, 1, 2, 3, 4, 5, 6, 7);
      const HalfWords high =
          __builtin_shufflevector(words.part[p], words.part[p], 8, 9, 10, 11, 12, 13, 14, 15);
      totals[2 * p] += __builtin_convertvector(low, Totals);
      totals[2 * p + 1] += __builtin_convertvector(high, Totals);
    }
  }
  uint32_t flat[kLine];
  std::memcpy(flat, totals, sizeof flat);
  uint16_t averages[kLine];
  for (int64_t k = 0; k < kLine; ++k)
    averages[k] = static_cast<uint16_t>(divide(flat[k]));
  return loadWords(reinterpret_cast<const uint8_t *>(averages));
}

/// reduceMostDifferentRow on 16-bit samples.
LUMICOMB_VECTOR_CLONES void reduceWideMostDifferentRow(const uint8_t *const *rows, int sources,
                                                       int64_t samples, HalfEvenDivision divide,
                                                       uint8_t *out) {
  forEachLine<uint16_t>(rows, sources, samples, out,
                        [&](const uint8_t *const *lineRows, int64_t start) LUMICOMB_ALWAYS_INLINE {
                          const WordLine average = wideAverageOf(lineRows, sources, start, divide);
                          WordLine chosen = average;
                          WordLine keptDistance = {};
                          for (int i = 0; i < sources; ++i) {
                            const WordLine sample = loadWords(lineRows[i] + 2 * start);
                            for (int p = 0; p < 2 * kParts; ++p) {
                              const Words distance = choose(sample.part[p] > average.part[p],
                                                            sample.part[p] - average.part[p],
                                                            average.part[p] - sample.part[p]);
                              const WordMask take = distance >= keptDistance.part[p];
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

/// The same at 16 bits, where the totals are too many for a table.
class WideMostDifferentRule : public BandRule {
public:
  void begin(int sources) override {
    m_sources = sources;
    m_divide = HalfEvenDivision(static_cast<uint32_t>(sources));
  }

  void reduceRow(const uint8_t *const *rows, int64_t samples, uint8_t *out) const override {
    reduceWideMostDifferentRow(rows, m_sources, samples, m_divide, out);
  }

private:
  int m_sources = 0;
  HalfEvenDivision m_divide{1};
};

} // namespace

std::unique_ptr<BandRule> mostDifferentRule(SampleDepth depth) {
  if (depth == SampleDepth::Sixteen)
    return std::make_unique<WideMostDifferentRule>();
  return std::make_unique<MostDifferentRule>();
}

} // namespace lumicomb
