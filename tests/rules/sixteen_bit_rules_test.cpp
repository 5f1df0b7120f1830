#include "base/sample_depth.h"
#include "rules/rule_registry.h"
#include "support/reference_blends.h"
#include "support/rejection_reference.h"
#include "support/rule_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>
#include <random>

namespace lumicomb {
namespace {

using test::Picture;
using test::WidePicture;

/// A rule of the registry with the numbers of its box.
struct Case {
  int index;
  RuleParameters parameters;
};

/// Every per-position rule; those with a box at the ends of its range and in between. The
/// whole-frame rules have tests of their own.
std::vector<Case> everyRule() {
  std::vector<Case> cases;
  for (const RuleDescription &rule : ruleRegistry()) {
    if (!rule.make || rule.pass == PassKind::Frames)
      continue;
    if (rule.parameter == RuleParameter::Divisor)
      for (int divisor : {1, 2, 3, 255})
        cases.push_back({rule.index, {divisor, 5}});
    else if (rule.parameter == RuleParameter::Limit)
      for (int limit : {0, 1, 5, 25, 255})
        cases.push_back({rule.index, {1, limit}});
    else if (rule.parameter == RuleParameter::HalfLife)
      for (double halfLife : {0.3, 1.0, 10.0})
        cases.push_back({rule.index, {1, 5, halfLife}});
    else if (rule.parameter == RuleParameter::Kappas)
      for (const auto &[low, high] : {std::pair{4.0, 3.0}, std::pair{1.0, 0.5}}) {
        RuleParameters kappas;
        kappas.kappaLow = low;
        kappas.kappaHigh = high;
        cases.push_back({rule.index, kappas});
      }
    else
      cases.push_back({rule.index, {}});
  }
  return cases;
}

WidePicture wideReference(const Case &rule, const std::vector<WidePicture> &stack) {
  using namespace test::wide;
  switch (rule.index) {
  case 0:
    return referenceSumDivide(stack, static_cast<int64_t>(stack.size()));
  case 1:
    return referenceSumDivide(stack, rule.parameters.divisor);
  case 2:
    return referenceBrightest(stack);
  case 3:
    return referenceDarkest(stack);
  case 4:
    return referenceMedian(stack);
  case 5:
    return referenceAverageOfCommonest(stack);
  case 6:
    return referenceDifferentFromFirst(stack, rule.parameters.limit);
  case 7:
    return referenceMostDifferent(stack);
  case 10:
    return referenceComet(stack, rule.parameters.halfLife);
  case 12:
  case 13:
    return test::referenceRejectingMean(stack, rule.index == 13, rule.parameters.kappaLow,
                                        rule.parameters.kappaHigh, 65535)
        .picture;
  default:
    return referenceSumDivide(stack, 2);
  }
}

/// The rule made for the depth, run on the stack; a sweep rule gets the sources in a shuffled
/// order (image 1 first where the rule asks for it).
template <typename Stack>
auto blend(const Case &rule, SampleDepth depth, const Stack &stack, unsigned seed) {
  const BlendRule made = makeRule(ruleDescription(rule.index), rule.parameters, depth);
  if (made.band)
    return test::bandBlend(*made.band, stack);
  std::vector<int> order(stack.size());
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin() + (made.sweep->needsImageOneFirst() ? 1 : 0), order.end(),
               std::mt19937(seed));
  return test::sweepBlend(*made.sweep, stack, order);
}

std::string describe(const Case &rule, int count, int64_t width) {
  return ruleDescription(rule.index).caption + std::string(" (") +
         std::to_string(rule.parameters.divisor) + ", " + std::to_string(rule.parameters.limit) +
         "), " + std::to_string(count) + " images, " + std::to_string(width) + " wide";
}

/// Where the samples differ by more than `tolerance` after `scale` maps the actual ones onto the
/// expected ones' range, the first such sample; positions that `skip` names are passed over.
testing::AssertionResult agree(const WidePicture &actual, const WidePicture &expected,
                               uint16_t (*scale)(uint16_t), int tolerance,
                               const std::vector<bool> &skip = {}) {
  if (actual.samples.size() != expected.samples.size())
    return testing::AssertionFailure() << "sizes differ";
  for (size_t k = 0; k < actual.samples.size(); ++k) {
    if (!skip.empty() && skip[k])
      continue;
    const int difference = std::abs(scale(actual.samples[k]) - expected.samples[k]);
    if (difference > tolerance)
      return testing::AssertionFailure() << "sample " << k << ": " << actual.samples[k] << " where "
                                         << expected.samples[k] << " was expected";
  }
  return testing::AssertionSuccess();
}

uint16_t same(uint16_t sample) { return sample; }
uint16_t toEightBits(uint16_t sample) { return eightBitEquivalent(sample); }

TEST(SixteenBitRules, MatchBruteForceOnRandomStacks) {
  // Rows under one step of the vector loops (a line of 64 samples, or 16 pixels), of whole steps,
  // and with a last step that overlaps the one before. The deep stacks (the most the 16-pixel
  // steps take, then past that and past what byte counters hold) on short rows only.
  constexpr int64_t kWidths[] = {1, 16, 21, 22, 64, 85, 86, 200};
  for (const Case &rule : everyRule())
    for (int count : {1, 2, 3, 4, 5, 11, 16, 64, 256, 301})
      for (int64_t width : kWidths) {
        if (sourceCountRefusal(ruleDescription(rule.index), count) || (count > 16 && width > 22))
          continue;
        SCOPED_TRACE(describe(rule, count, width));
        const auto seed = static_cast<unsigned>(1000 * count + width);
        const std::vector<WidePicture> stack = test::randomWideStack(count, width, 2, seed);
        EXPECT_TRUE(agree(blend(rule, SampleDepth::Sixteen, stack, seed),
                          wideReference(rule, stack), same, 0));
      }
}

TEST(SixteenBitRules, StayExactForTheDeepestStacks) {
  // Totals of 32767 bright sources come just under 2^31, and their counts fill a 16-bit lane.
  for (int count : {32766, 32767}) {
    std::mt19937 random(static_cast<unsigned>(count));
    std::uniform_int_distribution<int> bright(65000, 65535);
    std::vector<WidePicture> stack(static_cast<size_t>(count), WidePicture{2, 1, {}});
    for (WidePicture &source : stack)
      for (int k = 0; k < 6; ++k)
        source.samples.push_back(static_cast<uint16_t>(k == 5 ? 65535 : bright(random)));
    for (const Case &rule : everyRule())
      // Kappas under 1 reject a few of so many samples round after round, which only slows the
      // reference here.
      if (!sourceCountRefusal(ruleDescription(rule.index), count) &&
          rule.parameters.kappaHigh >= 1) {
        SCOPED_TRACE(describe(rule, count, 2));
        EXPECT_TRUE(agree(blend(rule, SampleDepth::Sixteen, stack, 1), wideReference(rule, stack),
                          same, 0));
      }
  }
}

TEST(SixteenBitRules, AgreeWithEightBitsOnWidenedSources) {
  for (const Case &rule : everyRule())
    for (int count : {1, 2, 3, 4, 5, 11})
      for (int64_t width : {1, 22, 86}) {
        if (sourceCountRefusal(ruleDescription(rule.index), count))
          continue;
        SCOPED_TRACE(describe(rule, count, width));
        const auto seed = static_cast<unsigned>(2000 * count + width);
        const std::vector<Picture> stack = test::randomStack(count, width, 2, seed);
        std::vector<WidePicture> wide;
        for (const Picture &source : stack)
          wide.push_back(test::widened(source));
        const WidePicture eight = test::widened(blend(rule, SampleDepth::Eight, stack, seed), 1);
        // "Most different from average" decides on the exact 16-bit average. Where the 8-bit
        // average's rounding made two sources tie, 8 bits keep the later one and 16 bits may keep
        // another (0, 4, 6: the 8-bit average 3 ties 0 with 6; the 16-bit average 857 puts 0
        // farthest). The references tell those positions.
        // The rejecting means winsorize to bounds on whole levels of the depth, so a 16-bit
        // sigma and the rejections it makes may differ from the 8-bit ones.
        std::vector<bool> decidedApart;
        std::optional<std::pair<WidePicture, WidePicture>> references;
        if (rule.index == 7)
          references.emplace(test::wide::referenceMostDifferent(wide),
                             test::widened(test::referenceMostDifferent(stack), 1));
        if (rule.index == 12 || rule.index == 13) {
          const auto reference = [&](const std::vector<WidePicture> &sources, int top) {
            return test::referenceRejectingMean(sources, rule.index == 13, rule.parameters.kappaLow,
                                                rule.parameters.kappaHigh, top)
                .picture;
          };
          std::vector<WidePicture> narrow;
          for (const Picture &source : stack)
            narrow.push_back(test::widened(source, 1));
          references.emplace(reference(wide, 65535), reference(narrow, 255));
        }
        if (references)
          for (size_t k = 0; k < references->first.samples.size(); ++k)
            decidedApart.push_back(std::abs(toEightBits(references->first.samples[k]) -
                                            references->second.samples[k]) > 1);
        EXPECT_TRUE(agree(blend(rule, SampleDepth::Sixteen, wide, seed), eight, toEightBits, 1,
                          decidedApart));
      }
}

TEST(SixteenBitRules, MostDifferentKeepsTheFarthestFromTheExactAverage) {
  const std::vector<Picture> stack = test::redStack({0, 4, 6});
  std::vector<WidePicture> wide;
  for (const Picture &source : stack)
    wide.push_back(test::widened(source));
  const Case rule{7, {}};
  EXPECT_EQ(test::redOf(blend(rule, SampleDepth::Eight, stack, 1)), 6);
  EXPECT_EQ(blend(rule, SampleDepth::Sixteen, wide, 1).samples[0], 0);
}

} // namespace
} // namespace lumicomb
