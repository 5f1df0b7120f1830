#include "rules/rejection_means.h"
#include "support/rejection_reference.h"
#include "support/rule_runner.h"

#include <gtest/gtest.h>

namespace lumicomb {
namespace {

using test::WidePicture;

struct Method {
  const char *name;
  bool winsorized;
  std::unique_ptr<BandRule> (*make)(rejection::Kappas, SampleDepth);
};

constexpr Method kMethods[] = {{"sigma-clipped", false, sigmaClippedMeanRule},
                               {"winsorized", true, winsorizedMeanRule}};

int topOf(SampleDepth depth) { return depth == SampleDepth::Sixteen ? 65535 : 255; }

/// One pixel per source, its three samples the value given.
std::vector<WidePicture> greyStack(const std::vector<int> &values, int scale) {
  std::vector<WidePicture> stack;
  for (int value : values) {
    const auto sample = static_cast<uint16_t>(value * scale);
    stack.push_back({1, 1, {sample, sample, sample}});
  }
  return stack;
}

TEST(RejectingMeans, MatchTheirDefinitionOnStacksWithOutliers) {
  // Kappas from the usual to ones so small that the limit on rejections decides, with widths
  // below one group of positions, of whole groups, with a last group that overlaps, and with
  // more positions to settle again than the batches take at once.
  const rejection::Kappas kappas[] = {{4, 3}, {2, 1.5}, {0.7, 0.4}};
  const int64_t widths[] = {1, 3, 22, 23, 101};
  for (const Method &method : kMethods)
    for (const SampleDepth depth : {SampleDepth::Eight, SampleDepth::Sixteen})
      for (int count : {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16, 17, 24, 31, 40})
        for (const rejection::Kappas &kappa : kappas)
          for (int64_t width : widths) {
            SCOPED_TRACE(::testing::Message()
                         << method.name << ", " << 8 * bytesPerSample(depth) << " bits, " << count
                         << " images, kappas " << kappa.low << "/" << kappa.high << ", " << width
                         << " wide");
            const auto seed = static_cast<unsigned>(count * 1000 + width);
            const std::vector<WidePicture> stack =
                test::outlierStack(count, width, 2, topOf(depth), seed);
            const test::MapReference expected = test::referenceRejectingMean(
                stack, method.winsorized, kappa.low, kappa.high, topOf(depth));
            std::vector<uint16_t> map;
            const auto rule = method.make(kappa, depth);
            EXPECT_EQ(test::bandBlendAtDepth(*rule, stack, depth, &map), expected.picture);
            EXPECT_EQ(map, expected.map);
            // Without a map the result is the same.
            EXPECT_EQ(test::bandBlendAtDepth(*rule, stack, depth), expected.picture);
          }
}

TEST(RejectingMeans, MatchTheirDefinitionOnDeepStacks) {
  // Past what 32-bit lanes hold at 8 bits, past the batches' sorting network, and at 16 bits
  // past what doubles hold exactly.
  const std::tuple<SampleDepth, int> stacks[] = {{SampleDepth::Eight, 182},
                                                 {SampleDepth::Eight, 300},
                                                 {SampleDepth::Sixteen, 257},
                                                 {SampleDepth::Sixteen, 1500}};
  for (const Method &method : kMethods)
    for (const auto &[depth, count] : stacks)
      for (const rejection::Kappas &kappa : {rejection::Kappas{4, 3}, rejection::Kappas{1, 1}}) {
        SCOPED_TRACE(::testing::Message() << method.name << ", " << count << " images, kappas "
                                          << kappa.low << "/" << kappa.high);
        const std::vector<WidePicture> stack =
            test::outlierStack(count, 3, 1, topOf(depth), static_cast<unsigned>(count));
        const test::MapReference expected = test::referenceRejectingMean(
            stack, method.winsorized, kappa.low, kappa.high, topOf(depth));
        std::vector<uint16_t> map;
        EXPECT_EQ(test::bandBlendAtDepth(*method.make(kappa, depth), stack, depth, &map),
                  expected.picture);
        EXPECT_EQ(map, expected.map);
      }
}

TEST(RejectingMeans, StopRejectingWhereTheirLimitSaysInTheOrderTheyTest) {
  struct Example {
    std::vector<int> values;
    double kappa;
    int mean;
    uint16_t rejected;
  };
  const Example examples[] = {
      // Three samples lie over a sigma (73.1) from the median 100, but only two of six may go.
      // Below 9 samples they are tested from the lowest up: 0 and 10 go, 200 stays (dropping 200
      // and 0, in source order, would give 78).
      {{200, 0, 100, 10, 100, 100}, 1, 125, 3 * 2},
      // Round one rejects 250 and 255, round two 130 and 131. In round three 90 lies 10 below
      // the median, over twice sigma (3.74), but the limit counts the four rejected so far
      // against the 8 the round began with, which leaves four: 90 stays.
      {{130, 101, 99, 100, 250, 90, 100, 100, 102, 131, 100, 255}, 2, 99, 3 * 4},
  };
  for (const Example &example : examples)
    for (const SampleDepth depth : {SampleDepth::Eight, SampleDepth::Sixteen}) {
      const int scale = depth == SampleDepth::Sixteen ? 257 : 1;
      std::vector<uint16_t> map;
      const auto rule = sigmaClippedMeanRule({example.kappa, example.kappa}, depth);
      const WidePicture result =
          test::bandBlendAtDepth(*rule, greyStack(example.values, scale), depth, &map);
      EXPECT_EQ(result.samples[0], example.mean * scale);
      EXPECT_EQ(map, std::vector<uint16_t>{example.rejected});
    }
}

TEST(RejectingMeans, WinsorizingKeepsAnOutlierFromWideningSigma) {
  // Ten samples at 100-109 and one at 200, 95 above the median: plain sigma (28.9) is too wide
  // to reject it with a high kappa of 3.5; the winsorized one (a few levels) is not.
  const std::vector<int> values = {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 200};
  std::vector<uint16_t> map;
  EXPECT_EQ(test::bandBlendAtDepth(*sigmaClippedMeanRule({4, 3.5}), greyStack(values, 1),
                                   SampleDepth::Eight, &map)
                .samples[0],
            113);
  EXPECT_EQ(map[0], 0);
  EXPECT_EQ(test::bandBlendAtDepth(*winsorizedMeanRule({4, 3.5}), greyStack(values, 1),
                                   SampleDepth::Eight, &map)
                .samples[0],
            104);
  EXPECT_EQ(map[0], 3);
}

} // namespace
} // namespace lumicomb
