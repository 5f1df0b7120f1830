#include "rules/dynamic_range.h"

#include "rules/byte_lines.h"

namespace lumicomb {
namespace {

using namespace lines;

/// Both sources' rows are at hand at once, so the mean is taken straight from the two samples,
/// with no totals kept in between.
class DynamicRangeRule : public BandRule {
public:
  void begin(int) override {}

  void reduceRow(const uint8_t *const *rows, int64_t length, uint8_t *out) const override {
    forEachLine(rows, 2, length, out,
                [](const uint8_t *const *lineRows, int64_t start) LUMICOMB_ALWAYS_INLINE {
                  return each(load(lineRows[0] + start), load(lineRows[1] + start),
                              [](Bytes a, Bytes b)
                                  LUMICOMB_ALWAYS_INLINE { return meanHalfToEven(a, b); });
                });
  }
};

/// The same on 16-bit samples.
class WideDynamicRangeRule : public BandRule {
public:
  void begin(int) override {}

  void reduceRow(const uint8_t *const *rows, int64_t samples, uint8_t *out) const override {
    forEachLine<uint16_t>(rows, 2, samples, out,
                          [](const uint8_t *const *lineRows, int64_t start) LUMICOMB_ALWAYS_INLINE {
                            const WordLine a = loadWords(lineRows[0] + 2 * start);
                            const WordLine b = loadWords(lineRows[1] + 2 * start);
                            WordLine mean;
                            for (int p = 0; p < 2 * kParts; ++p)
                              mean.part[p] = meanHalfToEven(a.part[p], b.part[p]);
                            return mean;
                          });
  }
};

} // namespace

std::unique_ptr<BandRule> dynamicRangeRule(SampleDepth depth) {
  if (depth == SampleDepth::Sixteen)
    return std::make_unique<WideDynamicRangeRule>();
  return std::make_unique<DynamicRangeRule>();
}

} // namespace lumicomb
