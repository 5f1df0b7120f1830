// The rules folded in order for a time-lapse: after every image, what the rule makes of the
// images so far (or of the last ones in a window) on its own.
#include "rules/rule_registry.h"
#include "rules/running_rule.h"
#include "support/reference_blends.h"
#include "support/rule_runner.h"

#include <gtest/gtest.h>

#include <functional>

namespace lumicomb {
namespace {

using test::WidePicture;
using Reference = std::function<WidePicture(const std::vector<WidePicture> &)>;

struct Case {
  const char *name;
  RuleParameters parameters;
  std::vector<int> windows;
  Reference reference;
};

std::vector<Case> cases() {
  namespace wide = test::wide;
  const auto count = [](const auto &stack) { return static_cast<int64_t>(stack.size()); };
  return {
      {"average",
       {},
       {0, 1, 3},
       [&](const auto &s) { return wide::referenceSumDivide(s, count(s)); }},
      {"sum-and-divide", {3, 5}, {0}, [](const auto &s) { return wide::referenceSumDivide(s, 3); }},
      {"brightest", {}, {0, 2, 3}, wide::referenceBrightest},
      {"darkest", {}, {0, 3}, wide::referenceDarkest},
      {"comet", {1, 5, 1.0}, {0}, [](const auto &s) { return wide::referenceComet(s, 1.0); }},
      {"comet", {1, 5, 2.7}, {0}, [](const auto &s) { return wide::referenceComet(s, 2.7); }},
  };
}

const RuleDescription &named(const std::string &name) {
  for (const RuleDescription &rule : ruleRegistry())
    if (name == rule.commandName)
      return rule;
  throw std::invalid_argument(name);
}

/// The samples of 8-bit pictures, or 16-bit ones, as the rule of the depth reads them.
std::vector<WidePicture> stackAt(SampleDepth depth, int count, unsigned seed) {
  if (depth == SampleDepth::Sixteen)
    return test::randomWideStack(count, 13, 3, seed);
  std::vector<WidePicture> stack;
  for (const test::Picture &picture : test::randomStack(count, 13, 3, seed))
    stack.push_back(test::widened(picture, 1));
  return stack;
}

/// Row y of the picture as the rule of the depth reads it.
std::vector<uint8_t> rowOf(const WidePicture &picture, int64_t y, SampleDepth depth) {
  std::vector<uint8_t> row;
  for (int64_t i = 0; i < 3 * picture.width; ++i) {
    const uint16_t sample = picture.samples[static_cast<size_t>(3 * picture.width * y + i)];
    if (depth == SampleDepth::Sixteen) {
      row.push_back(static_cast<uint8_t>(sample & 0xff));
      row.push_back(static_cast<uint8_t>(sample >> 8));
    } else {
      row.push_back(static_cast<uint8_t>(sample));
    }
  }
  return row;
}

WidePicture blendOf(const RunningRule &rule, const WidePicture &like, SampleDepth depth) {
  WidePicture blend = like;
  std::vector<uint8_t> row(static_cast<size_t>(3 * like.width * bytesPerSample(depth)));
  for (int64_t y = 0; y < like.height; ++y) {
    rule.reduce(y, row.data());
    for (int64_t i = 0; i < 3 * like.width; ++i)
      blend.samples[static_cast<size_t>(3 * like.width * y + i)] =
          depth == SampleDepth::Sixteen
              ? static_cast<uint16_t>(row[static_cast<size_t>(2 * i)] |
                                      row[static_cast<size_t>(2 * i + 1)] << 8)
              : row[static_cast<size_t>(i)];
  }
  return blend;
}

TEST(RunningRules, EveryStepIsTheRuleOfTheImagesSoFarOrOfTheWindow) {
  for (const Case &rule : cases())
    for (const int window : rule.windows)
      for (const SampleDepth depth : {SampleDepth::Eight, SampleDepth::Sixteen}) {
        SCOPED_TRACE(::testing::Message() << rule.name << ", window " << window << ", "
                                          << 8 * bytesPerSample(depth) << " bits");
        const std::vector<WidePicture> stack =
            stackAt(depth, 8, 11u + static_cast<unsigned>(window));
        const std::unique_ptr<RunningRule> running =
            makeRunningRule(named(rule.name), rule.parameters, depth, window);
        ASSERT_TRUE(running);
        running->begin(stack[0].width, stack[0].height);
        for (int k = 1; k <= 8; ++k) {
          running->beginImage(k);
          for (int64_t y = 0; y < stack[0].height; ++y)
            running->add(k, y, rowOf(stack[static_cast<size_t>(k - 1)], y, depth).data());
          const int first = window > 0 ? std::max(1, k - window + 1) : 1;
          const std::vector<WidePicture> sofar(stack.begin() + first - 1, stack.begin() + k);
          WidePicture expected = rule.reference(sofar);
          for (uint16_t &sample : expected.samples) // 8-bit totals divided stop at 255
            sample = std::min<uint16_t>(sample, depth == SampleDepth::Eight ? 255 : 65535);
          EXPECT_EQ(blendOf(*running, stack[0], depth), expected) << "step " << k;
        }
      }
}

TEST(RunningRules, CometTakesAnEarlierImagesBridgeFadedAsThatImage) {
  std::vector<WidePicture> stack = stackAt(SampleDepth::Eight, 4, 5);
  const WidePicture bridge = stackAt(SampleDepth::Eight, 1, 6)[0];
  const std::unique_ptr<RunningRule> comet =
      makeRunningRule(named("comet"), {1, 5, 1.5}, SampleDepth::Eight);
  comet->begin(13, 3);
  for (int k = 1; k <= 4; ++k) {
    comet->beginImage(k);
    for (int64_t y = 0; y < 3; ++y)
      comet->add(k, y, rowOf(stack[static_cast<size_t>(k - 1)], y, SampleDepth::Eight).data());
    if (k == 3)
      for (int64_t y = 0; y < 3; ++y)
        comet->add(2, y, rowOf(bridge, y, SampleDepth::Eight).data());
  }
  for (size_t i = 0; i < bridge.samples.size(); ++i)
    stack[1].samples[i] = std::max(stack[1].samples[i], bridge.samples[i]);
  EXPECT_EQ(blendOf(*comet, stack[0], SampleDepth::Eight), test::wide::referenceComet(stack, 1.5));
}

TEST(RunningRules, OnlyTheOneSweepRulesHaveATimeLapseAndFewerAWindow) {
  for (const RuleDescription &rule : ruleRegistry()) {
    const std::string name = rule.commandName;
    const bool running = name == "average" || name == "sum-and-divide" || name == "brightest" ||
                         name == "darkest" || name == "comet";
    const bool windowed = name == "average" || name == "brightest" || name == "darkest";
    EXPECT_EQ(makeRunningRule(rule, {}, SampleDepth::Eight) != nullptr, running) << name;
    EXPECT_EQ(makeRunningRule(rule, {}, SampleDepth::Eight, 5) != nullptr, windowed) << name;
  }
}

} // namespace
} // namespace lumicomb
