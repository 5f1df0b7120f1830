#include "rules/average_of_commonest.h"
#include "rules/dynamic_range.h"
#include "rules/median.h"
#include "rules/most_different.h"
#include "support/reference_blends.h"
#include "support/rule_runner.h"

#include <gtest/gtest.h>

#include <random>

namespace lumicomb {
namespace {

using test::bandBlend;
using test::colourStack;
using test::Picture;
using test::redOf;
using test::redStack;
using test::Rgb;

/// Pictures whose samples are drawn from `values` only, to crowd rounding halves and bucket edges.
std::vector<Picture> stackFrom(const std::vector<uint8_t> &values, int count, int64_t width,
                               unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<size_t> pick(0, values.size() - 1);
  std::vector<Picture> stack;
  for (int i = 0; i < count; ++i) {
    Picture picture = test::filledPicture(width, 3, {});
    for (Rgb &pixel : picture.pixels)
      pixel = {values[pick(random)], values[pick(random)], values[pick(random)]};
    stack.push_back(picture);
  }
  return stack;
}

// Widths under one step of the rules' vector loops (16 pixels for one rule, a line of 64 bytes
// for the others), of whole steps, and with a last step that overlaps the one before.
constexpr int64_t kWidths[] = {1, 16, 21, 29, 64, 85, 86, 171, 200};

TEST(BandRules, MatchBruteForceOnRandomStacksOfOddAndEvenSize) {
  for (int count : {1, 2, 3, 4, 5, 6, 8, 11, 16, 17}) {
    for (int64_t width : kWidths) {
      SCOPED_TRACE(std::to_string(count) + " images, " + std::to_string(width) + " wide");
      const std::vector<Picture> stack = test::randomStack(count, width, 3, 400u + count);
      EXPECT_EQ(bandBlend(*medianRule(), stack), test::referenceMedian(stack));
      EXPECT_EQ(bandBlend(*averageOfCommonestRule(), stack),
                test::referenceAverageOfCommonest(stack));
      EXPECT_EQ(bandBlend(*mostDifferentRule(), stack), test::referenceMostDifferent(stack));
    }
  }
}

TEST(DynamicRange, IsTheMeanOfTwoWithHalvesToEvenAtEveryWidth) {
  for (int64_t width : kWidths) {
    SCOPED_TRACE(width);
    const std::vector<Picture> stack = test::randomStack(2, width, 3, 700u + width);
    EXPECT_EQ(bandBlend(*dynamicRangeRule(), stack), test::referenceSumDivide(stack, 2));
  }
  EXPECT_EQ(redOf(bandBlend(*dynamicRangeRule(), redStack({1, 2}))), 2);
  EXPECT_EQ(redOf(bandBlend(*dynamicRangeRule(), redStack({2, 3}))), 2);
  EXPECT_EQ(redOf(bandBlend(*dynamicRangeRule(), redStack({0, 255}))), 128);
  EXPECT_EQ(redOf(bandBlend(*dynamicRangeRule(), redStack({254, 255}))), 254);
}

TEST(BandRules, MatchBruteForceAtRoundingHalvesAndBucketEdges) {
  const std::vector<uint8_t> edges = {0,   12,  13,  37,  38,  62,  63,  87,  88,  112, 113,
                                      137, 138, 162, 163, 187, 188, 212, 213, 237, 238, 255};
  for (int count : {3, 4, 6, 7, 10}) {
    SCOPED_TRACE(count);
    const std::vector<Picture> stack = stackFrom(edges, count, 90, 500u + count);
    EXPECT_EQ(bandBlend(*medianRule(), stack), test::referenceMedian(stack));
    EXPECT_EQ(bandBlend(*averageOfCommonestRule(), stack),
              test::referenceAverageOfCommonest(stack));
    EXPECT_EQ(bandBlend(*mostDifferentRule(), stack), test::referenceMostDifferent(stack));
  }
}

TEST(BandRules, StayExactForStacksDeeperThanByteAndWordCounters) {
  for (int count : {255, 256, 258, 300}) {
    SCOPED_TRACE(count);
    const std::vector<Picture> stack = test::randomStack(count, 90, 1, 600u + count);
    EXPECT_EQ(bandBlend(*medianRule(), stack), test::referenceMedian(stack));
    EXPECT_EQ(bandBlend(*mostDifferentRule(), stack), test::referenceMostDifferent(stack));
  }
  // Over 128 sources in the winning bucket: channel sums beyond 16 bits.
  std::vector<Picture> bright(200, test::filledPicture(4, 1, {255, 250, 240}));
  bright[7] = test::filledPicture(4, 1, {254, 249, 241});
  EXPECT_EQ(bandBlend(*averageOfCommonestRule(), bright),
            test::referenceAverageOfCommonest(bright));
  EXPECT_EQ(bandBlend(*averageOfCommonestRule(), bright).pixels[0], (Rgb{255, 250, 240}));
}

TEST(Median, RanksEachChannelOnItsOwnWithHalvesToEven) {
  EXPECT_EQ(redOf(bandBlend(*medianRule(), redStack({10, 200, 30}))), 30);
  EXPECT_EQ(redOf(bandBlend(*medianRule(), redStack({200, 10, 30}))), 30);
  EXPECT_EQ(redOf(bandBlend(*medianRule(), redStack({10, 21, 30, 40}))), 26);
  EXPECT_EQ(redOf(bandBlend(*medianRule(), redStack({10, 20, 29, 40}))), 24);
  EXPECT_EQ(
      bandBlend(*medianRule(), colourStack({{255, 0, 0}, {0, 255, 0}, {0, 0, 255}})).pixels[0],
      (Rgb{0, 0, 0}));
  EXPECT_EQ(bandBlend(*medianRule(),
                      colourStack({{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}))
                .pixels[0],
            (Rgb{128, 128, 128}));
}

TEST(AverageOfCommonest, AveragesTheRealColoursOfTheFirstBucketToLead) {
  EXPECT_EQ(
      bandBlend(*averageOfCommonestRule(), colourStack({{10, 10, 10}, {12, 12, 12}, {13, 10, 10}}))
          .pixels[0],
      (Rgb{11, 11, 11}));
  EXPECT_EQ(redOf(bandBlend(*averageOfCommonestRule(), redStack({100, 101, 250}))), 100);
  EXPECT_EQ(redOf(bandBlend(*averageOfCommonestRule(), redStack({101, 102, 250}))), 102);
  // Buckets A B B A: B reaches two first. A A B B: A does.
  EXPECT_EQ(redOf(bandBlend(*averageOfCommonestRule(), redStack({50, 100, 104, 52}))), 102);
  EXPECT_EQ(redOf(bandBlend(*averageOfCommonestRule(), redStack({50, 52, 100, 104}))), 51);
  // All in different buckets: source 1's own colour.
  EXPECT_EQ(
      bandBlend(*averageOfCommonestRule(), colourStack({{5, 40, 90}, {40, 5, 90}, {90, 40, 5}}))
          .pixels[0],
      (Rgb{5, 40, 90}));
}

TEST(MostDifferent, KeepsTheFarthestFromTheRoundedAverageAndTheLaterOnATie) {
  EXPECT_EQ(redOf(bandBlend(*mostDifferentRule(), redStack({10, 20, 60}))), 60);
  EXPECT_EQ(redOf(bandBlend(*mostDifferentRule(), redStack({10, 20, 30}))), 30);
  EXPECT_EQ(redOf(bandBlend(*mostDifferentRule(), redStack({0, 100, 200}))), 200);
  EXPECT_EQ(redOf(bandBlend(*mostDifferentRule(), redStack({200, 100, 0}))), 0);
  EXPECT_EQ(
      bandBlend(*mostDifferentRule(), colourStack({{0, 0, 0}, {255, 0, 0}, {0, 255, 0}})).pixels[0],
      (Rgb{255, 255, 0}));
}

} // namespace
} // namespace lumicomb
