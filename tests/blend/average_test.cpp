#include "blend/average.h"
#include "engine/errors.h"
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
    EXPECT_EQ(test::sweepBlend(*BlendAverage(), stack), test::referenceSumDivide(stack, count))
        << count;
  }
}

TEST(Average, DoesNotDependOnTheOrderTheSourcesArrive) {
  const std::vector<Picture> stack = test::randomStack(6, 9, 4, 7);
  const Picture inOrder = test::sweepBlend(*BlendAverage(), stack);
  EXPECT_EQ(test::sweepBlend(*BlendAverage(), stack, {0, 5, 2, 4, 1, 3}), inOrder);
}

TEST(Average, RoundsHalvesToEven) {
  EXPECT_EQ(redOf(test::sweepBlend(*BlendAverage(), redStack({1, 2}))), 2);
  EXPECT_EQ(redOf(test::sweepBlend(*BlendAverage(), redStack({2, 3}))), 2);
  EXPECT_EQ(redOf(test::sweepBlend(*BlendAverage(), redStack({3, 4}))), 4);
  EXPECT_EQ(redOf(test::sweepBlend(*BlendAverage(), redStack({0, 255}))), 128);
  EXPECT_EQ(redOf(test::sweepBlend(*BlendAverage(), redStack({254, 255}))), 254);
}

TEST(Average, OfOneSourceReproducesIt) {
  const std::vector<Picture> stack = test::randomStack(1, 5, 5, 3);
  EXPECT_EQ(test::sweepBlend(*BlendAverage(), stack), stack[0]);
}

TEST(Average, KeepsExactTotalsForStacksTooDeepForSixteenBitCounters) {
  // 258 white sources total 65790, past what a 16-bit counter holds.
  std::vector<Picture> stack(258, test::filledPicture(2, 1, {255, 255, 255}));
  stack[0] = test::filledPicture(2, 1, {0, 128, 255});
  const Picture expected = test::referenceSumDivide(stack, 258);
  EXPECT_EQ(test::sweepBlend(*BlendAverage(), stack), expected);
  EXPECT_EQ(expected.pixels[0].red, 254);

  const std::vector<Picture> random = test::randomStack(300, 3, 2, 11);
  EXPECT_EQ(test::sweepBlend(*BlendAverage(), random), test::referenceSumDivide(random, 300));
}

TEST(SumDivide, MatchesBruteForceWithClampingAt255) {
  for (int divisor : {1, 2, 3, 7, 255}) {
    const std::vector<Picture> stack = test::randomStack(4, 11, 3, 50u + divisor);
    EXPECT_EQ(test::sweepBlend(*BlendSumDivide(std::to_string(divisor)), stack),
              test::referenceSumDivide(stack, divisor))
        << divisor;
  }
}

TEST(SumDivide, WorkedExamples) {
  EXPECT_EQ(redOf(test::sweepBlend(*BlendSumDivide("1"), redStack({100, 100, 100}))), 255);
  EXPECT_EQ(redOf(test::sweepBlend(*BlendSumDivide("1"), redStack({50, 60, 70}))), 180);
  EXPECT_EQ(redOf(test::sweepBlend(*BlendSumDivide("2"), redStack({150, 151}))), 150);
  EXPECT_EQ(redOf(test::sweepBlend(*BlendSumDivide("2"), redStack({151, 152}))), 152);
  EXPECT_EQ(redOf(test::sweepBlend(*BlendSumDivide("2.5"), redStack({151, 152}))), 152);
}

TEST(SumDivide, ALargeQuotientIsSimply255) {
  // 200 bright sources divided by 1 would not fit a 16-bit number.
  const std::vector<Picture> stack(200, test::filledPicture(1, 1, {250, 1, 0}));
  const Picture result = test::sweepBlend(*BlendSumDivide("1"), stack);
  EXPECT_EQ(result.pixels[0], (Rgb{255, 200, 0}));
}

TEST(SumDivide, ByTheSourceCountGivesTheAverage) {
  const std::vector<Picture> stack = test::randomStack(5, 8, 8, 99);
  EXPECT_EQ(test::sweepBlend(*BlendSumDivide("5"), stack),
            test::sweepBlend(*BlendAverage(), stack));
}

TEST(SumDivide, RefusesABadDivisorBeforeAnyWork) {
  EXPECT_THROW(BlendSumDivide("abc"), LumicombError);
  EXPECT_THROW(BlendSumDivide("0"), LumicombError);
  EXPECT_THROW(BlendSumDivide("256"), LumicombError);
}

} // namespace
} // namespace lumicomb
