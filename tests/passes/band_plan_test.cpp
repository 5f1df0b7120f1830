#include "passes/band_plan.h"

#include <gtest/gtest.h>

namespace lumicomb {
namespace {

constexpr int64_t kMiB = 1 << 20;

BandPlanInput photographs(int sources, uint64_t budget) {
  // 2560 x 1600 pixels, 3 bytes each: 7680-byte rows, 12 MiB and a bit per picture.
  return {sources, 1600, 7680, 7680 * 1600, 2, budget, false};
}

TEST(BandPlan, HoldsEveryDecodedSourceWhenTheyFitBesideTheResult) {
  const BandPlan plan = planBands(photographs(11, 12 * 7680 * 1600));
  EXPECT_TRUE(plan.holdWholeSources);
  EXPECT_EQ(plan.bands, 1);
  EXPECT_FALSE(planBands(photographs(11, 12 * 7680 * 1600 - 1)).holdWholeSources);
}

TEST(BandPlan, SplitsIntoBandsThatFitWhatIsLeftAndCoverEveryRow) {
  const BandPlan plan = planBands(photographs(200, 1024 * kMiB));
  EXPECT_FALSE(plan.holdWholeSources);
  // The result and one picture per decoding thread come off the budget first; the band's slots
  // (each source's rows padded by at most a page and a cache line) take the rest, and a band one
  // row taller would not fit.
  const int64_t left = 1024 * kMiB - 3 * 7680 * 1600;
  EXPECT_GE(plan.slotBytes, plan.rowsPerBand * 7680);
  EXPECT_LE(200 * plan.slotBytes, left);
  EXPECT_GT(200 * ((plan.rowsPerBand + 1) * 7680 + 4096 + 64), left);
  EXPECT_EQ(plan.bands, 3);
  EXPECT_GE(plan.bands * plan.rowsPerBand, 1600);
  EXPECT_LT((plan.bands - 1) * plan.rowsPerBand, 1600);
}

TEST(BandPlan, ABudgetTooSmallStillMovesOneRowAtATime) {
  const BandPlan plan = planBands(photographs(5, 1));
  EXPECT_EQ(plan.rowsPerBand, 1);
  EXPECT_EQ(plan.bands, 1600);
}

TEST(BandPlan, PreviewsAreHeldAnyway) {
  BandPlanInput previews = photographs(500, 1);
  previews.sourcesAlreadyHeld = true;
  EXPECT_TRUE(planBands(previews).holdWholeSources);
}

} // namespace
} // namespace lumicomb
