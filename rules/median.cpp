#include "rules/median.h"

#include "rules/middle_selection.h"
#include "rules/vector_clones.h"

namespace lumicomb {
namespace {

using namespace lines;

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
                if (!even)
                  return middle;
                return each(middle, upperMiddle(lineRows, sources, start, middle),
                            [](Bytes a, Bytes b)
                                LUMICOMB_ALWAYS_INLINE { return meanHalfToEven(a, b); });
              });
}

/// The median of 16-bit samples as two selections in byte lanes instead of sixteen rounds in word
/// lanes (see SplitLines).
LUMICOMB_VECTOR_CLONES void reduceWideMedianRow(const uint8_t *const *rows, int sources,
                                                int64_t samples, uint8_t *out) {
  const bool even = sources % 2 == 0;
  const int64_t rank = even ? sources / 2 - 1 : sources / 2;
  SplitLines split(sources);
  const Bytes rankBytes = splatBytes(static_cast<uint8_t>(rank));
  forEachLine<uint16_t>(rows, sources, samples, out,
                        [&](const uint8_t *const *lineRows, int64_t start) LUMICOMB_ALWAYS_INLINE {
                          WordLine middle = split.selectRank(lineRows, start, rank, rankBytes);
                          if (even) {
                            const WordLine upper =
                                upperMiddleWords(lineRows, sources, start, middle);
                            for (int p = 0; p < 2 * kParts; ++p)
                              middle.part[p] = meanHalfToEven(middle.part[p], upper.part[p]);
                          }
                          return middle;
                        });
}

class MedianRule : public BandRule {
public:
  explicit MedianRule(SampleDepth depth) : m_depth(depth) {}

  void begin(int sources) override { m_sources = sources; }

  void reduceRow(const uint8_t *const *rows, int64_t samples, uint8_t *out) const override {
    if (m_depth == SampleDepth::Sixteen)
      reduceWideMedianRow(rows, m_sources, samples, out);
    else
      reduceMedianRow(rows, m_sources, samples, out);
  }

private:
  SampleDepth m_depth;
  int m_sources = 0;
};

} // namespace

std::unique_ptr<BandRule> medianRule(SampleDepth depth) {
  return std::make_unique<MedianRule>(depth);
}

} // namespace lumicomb
