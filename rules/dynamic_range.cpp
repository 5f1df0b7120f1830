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

} // namespace

std::unique_ptr<BandRule> dynamicRangeRule() { return std::make_unique<DynamicRangeRule>(); }

} // namespace lumicomb
