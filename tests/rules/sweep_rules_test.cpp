#include "base/errors.h"
#include "rules/comet_trails.h"
#include "rules/different_from_first.h"
#include "rules/extremes.h"
#include "support/reference_blends.h"
#include "support/rule_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

namespace lumicomb {
namespace {

using test::colourStack;
using test::Picture;
using test::redOf;
using test::redStack;
using test::Rgb;
using test::sweepBlend;

TEST(Extremes, MatchBruteForceWhateverOrderTheLaterSourcesArrive) {
  for (int count : {1, 2, 3, 4, 5, 8, 11}) {
    SCOPED_TRACE(count);
    const std::vector<Picture> stack = test::randomStack(count, 13, 7, 200u + count);
    EXPECT_EQ(sweepBlend(*brightestRule(), stack), test::referenceBrightest(stack));
    EXPECT_EQ(sweepBlend(*darkestRule(), stack), test::referenceDarkest(stack));
  }
  const std::vector<Picture> stack = test::randomStack(5, 9, 4, 7);
  EXPECT_EQ(sweepBlend(*brightestRule(), stack, {0, 4, 2, 3, 1}), test::referenceBrightest(stack));
  EXPECT_EQ(sweepBlend(*darkestRule(), stack, {0, 3, 1, 4, 2}), test::referenceDarkest(stack));
}

TEST(Extremes, TakeEachChannelOnItsOwn) {
  const std::vector<Picture> stack = colourStack({{200, 10, 10}, {10, 200, 10}});
  EXPECT_EQ(sweepBlend(*brightestRule(), stack).pixels[0], (Rgb{200, 200, 10}));
  EXPECT_EQ(sweepBlend(*darkestRule(), stack).pixels[0], (Rgb{10, 10, 10}));
}

TEST(CometTrails, MatchesTheClosedFormWhateverOrderTheSourcesArrive) {
  // A half-life of 1 or 0.5 fades by whole powers of two, so odd samples land on exact halves.
  for (int count : {1, 2, 3, 4, 5, 8, 11})
    for (double halfLife : {0.5, 1.0, 2.5, 10.0}) {
      SCOPED_TRACE(std::to_string(count) + " images, half-life " + std::to_string(halfLife));
      const std::vector<Picture> stack = test::randomStack(count, 13, 7, 500u + count);
      std::vector<int> order(stack.size());
      std::iota(order.begin(), order.end(), 0);
      std::shuffle(order.begin(), order.end(), std::mt19937(static_cast<unsigned>(count)));
      EXPECT_EQ(sweepBlend(*cometTrailsRule(halfLife), stack, order),
                test::referenceComet(stack, halfLife));
    }
}

TEST(CometTrails, KeepsTheNewestWholeAndFadesTheOlderByTheirAge) {
  EXPECT_EQ(redOf(sweepBlend(*cometTrailsRule(1), redStack({201, 0, 0}))), 50); // 50.25
  EXPECT_EQ(redOf(sweepBlend(*cometTrailsRule(1), redStack({0, 101, 0}))), 50); // 50.5 to even
  EXPECT_EQ(redOf(sweepBlend(*cometTrailsRule(2), redStack({200, 0, 0}))), 100);
  EXPECT_EQ(redOf(sweepBlend(*cometTrailsRule(1), redStack({255, 7}))), 128); // 127.5 to even
  const std::vector<Picture> stack = test::randomStack(9, 11, 5, 3);
  EXPECT_EQ(sweepBlend(*cometTrailsRule(1e12), stack), test::referenceBrightest(stack));
}

TEST(DifferentFromFirst, MatchesBruteForceForAnyLimitAndArrivalOrder) {
  for (int count : {1, 2, 3, 4, 5, 8}) {
    for (int limit : {0, 5, 60, 255}) {
      SCOPED_TRACE(std::to_string(count) + " images, limit " + std::to_string(limit));
      const std::vector<Picture> stack = test::randomStack(count, 11, 5, 300u + count);
      EXPECT_EQ(sweepBlend(*differentFromFirstRule(limit), stack),
                test::referenceDifferentFromFirst(stack, limit));
    }
  }
  // Image 1 always comes first; the others in any order, and the highest qualifying one wins.
  const std::vector<Picture> stack = test::randomStack(6, 9, 4, 17);
  EXPECT_EQ(sweepBlend(*differentFromFirstRule(20), stack, {0, 5, 3, 1, 4, 2}),
            test::referenceDifferentFromFirst(stack, 20));
}

TEST(DifferentFromFirst, KeepsTheLastSourceThatDiffersEnoughFromImageOne) {
  EXPECT_EQ(redOf(sweepBlend(*differentFromFirstRule(5), redStack({100, 104, 105}))), 105);
  EXPECT_EQ(redOf(sweepBlend(*differentFromFirstRule(5), redStack({100, 95, 103}))), 95);
  EXPECT_EQ(redOf(sweepBlend(*differentFromFirstRule(5), redStack({100, 120, 101}))), 120);
  EXPECT_EQ(redOf(sweepBlend(*differentFromFirstRule(255), redStack({0, 254, 255, 1}))), 255);
  const std::vector<Picture> stack = test::randomStack(4, 6, 6, 5);
  EXPECT_EQ(sweepBlend(*differentFromFirstRule(0), stack), stack[3]);
}

TEST(DifferentFromFirst, HandlesMoreSourcesThanAByteCanNumber) {
  const std::vector<Picture> stack = test::randomStack(300, 3, 2, 23);
  EXPECT_EQ(sweepBlend(*differentFromFirstRule(100), stack, {0, 299, 5, 256, 255, 1}),
            test::referenceDifferentFromFirst(
                {stack[0], stack[1], stack[5], stack[255], stack[256], stack[299]}, 100));
}

} // namespace
} // namespace lumicomb
