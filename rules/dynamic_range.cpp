#include "rules/dynamic_range.h"

#include "rules/byte_blocks.h"

namespace lumicomb {
namespace {

using namespace blocks;

/// Both sources' rows are at hand at once, so the mean is taken straight from the two samples,
/// with no totals kept in between.
class DynamicRangeRule : public BandRule {
public:
  void begin(int) override {}

  void reduceRow(const uint8_t *const *rows, int64_t length, uint8_t *out) const override {
    forEachBlock(rows, 2, length, out,
                 [](const uint8_t *const *blockRows, int64_t start, Block &mean) {
                   for (int64_t v = 0; v < kVectors; ++v)
                     mean[v] = meanHalfToEven(load(blockRows[0] + start + v * kLanes),
                                              load(blockRows[1] + start + v * kLanes));
                 });
  }
};

} // namespace

std::unique_ptr<BandRule> dynamicRangeRule() { return std::make_unique<DynamicRangeRule>(); }

} // namespace lumicomb
