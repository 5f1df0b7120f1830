#include "base/errors.h"
#include "rules/average.h"
#include "support/reference_blends.h"
#include "support/rule_runner.h"

#include <gtest/gtest.h>

namespace lumicomb {
namespace {

using test::Picture;
using test::redOf;
using test::redStack;
using test::Rgb;

TEST(Average, MatchesBruteForceOnRandomStacksOfOddAndEvenSize) {
  for (int count : {1, 2, 3, 4, 5, 8, 11}) {
    const std::vector<Picture> stack = test::randomStack(count, 13, 7, 100u + count);
    EXPECT_EQ(test::sweepBlend(*averageRule(), stack), test::referenceSumDivide(stack, count))
        << count;
  }
}

TEST(Average, DoesNotDependOnTheOrderTheSourcesArrive) {
  const std::vector<Picture> stack = test::randomStack(6, 9, 4, 7);
  const Picture inOrder = test::sweepBlend(*averageRule(), stack);
  EXPECT_EQ(test::sweepBlend(*averageRule(), stack, {0, 5, 2, 4, 1, 3}), inOrder);
}

TEST(Average, RoundsHalvesToEven) {
  EXPECT_EQ(redOf(test::sweepBlend(*averageRule(), redStack({1, 2}))), 2);
  EXPECT_EQ(redOf(test::sweepBlend(*averageRule(), redStack({2, 3}))), 2);
  EXPECT_EQ(redOf(test::sweepBlend(*averageRule(), redStack({3, 4}))), 4);
  EXPECT_EQ(redOf(test::sweepBlend(*averageRule(), redStack({0, 255}))), 128);
  EXPECT_EQ(redOf(test::sweepBlend(*averageRule(), redStack({254, 255}))), 254);
}

TEST(Average, OfOneSourceReproducesIt) {
  const std::vector<Picture> stack = test::randomStack(1, 5, 5, 3);
  EXPECT_EQ(test::sweepBlend(*averageRule(), stack), stack[0]);
}

TEST(Average, KeepsExactTotalsForStacksTooDeepForSixteenBitCounters) {
  // 258 white sources total 65790, past what a 16-bit counter holds.
  std::vector<Picture> stack(258, test::filledPicture(2, 1, {255, 255, 255}));
  stack[0] = test::filledPicture(2, 1, {0, 128, 255});
  const Picture expected = test::referenceSumDivide(stack, 258);
  EXPECT_EQ(test::sweepBlend(*averageRule(), stack), expected);
  EXPECT_EQ(expected.pixels[0].red, 254);

  const std::vector<Picture> random = test::randomStack(300, 3, 2, 11);
  EXPECT_EQ(test::sweepBlend(*averageRule(), random), test::referenceSumDivide(random, 300));
}

TEST(SumDivide, MatchesBruteForceWithClampingAt255) {
  for (int divisor : {1, 2, 3, 7, 255}) {
    const std::vector<Picture> stack = test::randomStack(4, 11, 3, 50u + divisor);
    EXPECT_EQ(test::sweepBlend(*sumAndDivideRule(divisor), stack),
              test::referenceSumDivide(stack, divisor))
        << divisor;
  }
}

TEST(SumDivide, WorkedExamples) {
  EXPECT_EQ(redOf(test::sweepBlend(*sumAndDivideRule(1), redStack({100, 100, 100}))), 255);
  EXPECT_EQ(redOf(test::sweepBlend(*sumAndDivideRule(1), redStack({50, 60, 70}))), 180);
  EXPECT_EQ(redOf(test::sweepBlend(*sumAndDivideRule(2), redStack({150, 151}))), 150);
  EXPECT_EQ(redOf(test::sweepBlend(*sumAndDivideRule(2), redStack({151, 152}))), 152);
}

TEST(SumDivide, ALargeQuotientIsSimply255) {
  // 200 bright sources divided by 1 would not fit a 16-bit number.
  const std::vector<Picture> stack(200, test::filledPicture(1, 1, {250, 1, 0}));
  const Picture result = test::sweepBlend(*sumAndDivideRule(1), stack);
  EXPECT_EQ(result.pixels[0], (Rgb{255, 200, 0}));
}

TEST(SumDivide, ByTheSourceCountGivesTheAverage) {
  const std::vector<Picture> stack = test::randomStack(5, 8, 8, 99);
  EXPECT_EQ(test::sweepBlend(*sumAndDivideRule(5), stack), test::sweepBlend(*averageRule(), stack));
}

} // namespace
} // namespace lumicomb
