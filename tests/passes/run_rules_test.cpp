// Every rule through the whole run: both passes, any thread count, any memory budget, and the
// rules' refusals of the wrong number of images.
#include "imaging/image_loading.h"
#include "passes/run_blend_fixture.h"
#include "support/rejection_reference.h"
#include "support/rule_runner.h"
#include "support/wide_files.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace lumicomb {
namespace {

/// A rule's reference at either depth.
struct RuleCase {
  int option;
  bool banded; ///< runs in the band pass, whose memory the budget shapes
  std::function<Picture(const std::vector<Picture> &)> reference;
  std::function<test::WidePicture(const std::vector<test::WidePicture> &)> wideReference;
};

template <typename Stack> int64_t countOf(const Stack &stack) {
  return static_cast<int64_t>(stack.size());
}

const std::vector<RuleCase> &ruleCases() {
  namespace wide = test::wide;
  static const std::vector<RuleCase> cases = {
      {0, false, [](const auto &s) { return test::referenceSumDivide(s, countOf(s)); },
       [](const auto &s) { return wide::referenceSumDivide(s, countOf(s)); }},
      {1, false, [](const auto &s) { return test::referenceSumDivide(s, 3); },
       [](const auto &s) { return wide::referenceSumDivide(s, 3); }},
      {2, false, test::referenceBrightest, wide::referenceBrightest},
      {3, false, test::referenceDarkest, wide::referenceDarkest},
      {4, true, test::referenceMedian, wide::referenceMedian},
      {5, true, test::referenceAverageOfCommonest, wide::referenceAverageOfCommonest},
      {6, false, [](const auto &s) { return test::referenceDifferentFromFirst(s, 40); },
       [](const auto &s) { return wide::referenceDifferentFromFirst(s, 40); }},
      {7, true, test::referenceMostDifferent, wide::referenceMostDifferent},
      {8, true, [](const auto &s) { return test::referenceSumDivide(s, 2); },
       [](const auto &s) { return wide::referenceSumDivide(s, 2); }},
      {10, false, [](const auto &s) { return test::referenceComet(s, 10); },
       [](const auto &s) { return wide::referenceComet(s, 10); }},
      {12, true, [](const auto &s) { return test::referenceRejectingMean(s, false, 4, 3); },
       [](const auto &s) { return test::referenceRejectingMean(s, false, 4, 3, 65535).picture; }},
      {13, true, [](const auto &s) { return test::referenceRejectingMean(s, true, 4, 3); },
       [](const auto &s) { return test::referenceRejectingMean(s, true, 4, 3, 65535).picture; }},
  };
  return cases;
}

constexpr uint64_t kEverythingFits = UINT64_MAX;

class RunRulesTest : public RunBlendTest {
protected:
  RunRulesTest() { request.parameters = {3, 40}; }

  void useStack(const std::vector<Picture> &stack) {
    set = ImageSet();
    addStack(stack);
  }

  /// Writes the stack at the depth (8-bit PNGs; or 48-bit TIFFs and PNGs with 8-bit PNGs between)
  /// and returns whether the run's picture is what the rule should make of it.
  std::function<bool()> useStackAt(const RuleCase &rule, SampleDepth depth, int count,
                                   unsigned seed) {
    set = ImageSet();
    if (depth == SampleDepth::Eight) {
      const std::vector<Picture> stack = test::randomStack(count, 45, 31, seed);
      addStack(stack);
      return [this, expected = rule.reference(stack)] { return result() == expected; };
    }
    std::vector<test::WidePicture> stack = test::randomWideStack(count, 45, 31, seed);
    const std::vector<std::string> names = test::writeWideStack(dir, stack);
    // Every other source holds 8-bit samples, which the run widens as it reads them.
    const std::vector<Picture> narrow = test::randomStack(count, 45, 31, seed + 1);
    for (size_t i = 1; i < stack.size(); i += 2) {
      stack[i] = test::widened(narrow[i]);
      test::writePicture(narrow[i], dir.file(names[i]), FIF_PNG);
    }
    set.append(dir.path().string(), names);
    return [this, expected = rule.wideReference(stack)] {
      return test::toWidePicture(outcome.picture.get()) == expected;
    };
  }
};

TEST_F(RunRulesTest, EveryRuleMatchesItsReferenceWhateverTheDepthThreadsAndMemoryBudget) {
  for (const RuleCase &rule : ruleCases()) {
    for (const SampleDepth depth : {SampleDepth::Eight, SampleDepth::Sixteen}) {
      for (int count : {2, 3, 4}) {
        if ((rule.option == 8) != (count == 2))
          continue; // dynamic range takes exactly two; the rest get odd and even stacks
        const std::function<bool()> matchesReference = useStackAt(rule, depth, count, 70u + count);
        request.rule = rule.option;
        request.depth = depth;
        for (int threads : {1, 3}) {
          setWorkerThreads(threads);
          const uint64_t small = rule.banded ? oneRowPerBand(45, 31, depth) : kEverythingFits;
          for (uint64_t memory : {small, kEverythingFits}) {
            SCOPED_TRACE(::testing::Message()
                         << "rule " << rule.option << ", " << 8 * bytesPerSample(depth) << " bits, "
                         << count << " images, " << threads << " threads, budget " << memory);
            request.memoryBudget = memory;
            run(RunMode::FullSize);
            EXPECT_EQ(outcome.refusal, std::nullopt);
            EXPECT_TRUE(matchesReference());
            EXPECT_FALSE(anySourceHoldsAFullBitmap());
            EXPECT_EQ(observer.visibility.back(), false);
          }
        }
      }
    }
  }
}

TEST_F(RunRulesTest, ACancelAtAnyYieldEndsTheRunAndLeavesNoBitmapBehind) {
  for (const RuleCase &rule : ruleCases()) {
    useStack(test::randomStack(rule.option == 8 ? 2 : 3, 7, 5, 30));
    request.rule = rule.option;
    for (int threads : {1, 2, 3}) {
      setWorkerThreads(threads);
      const uint64_t small = rule.banded ? oneRowPerBand(7, 5) : kEverythingFits;
      for (uint64_t memory : {small, kEverythingFits}) {
        SCOPED_TRACE(::testing::Message()
                     << "rule " << rule.option << ", " << threads << " threads, budget " << memory);
        observer = test::RecordingObserver();
        request.memoryBudget = memory;
        run(RunMode::FullSize);
        ASSERT_TRUE(outcome.picture);
        expectACancelAtEveryYieldToEndTheRun();
      }
    }
  }
}

TEST_F(RunRulesTest, BandsAreDecodedAgainWhenTheTemporaryFolderCannotTakeThem) {
  const std::vector<Picture> stack = test::randomStack(4, 30, 17, 9);
  addStack(stack);
  request.rule = 4;
  request.memoryBudget = oneRowPerBand(30, 17);
  const std::string previous = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
  ::setenv("TMPDIR", dir.file("no-such-folder").c_str(), 1);
  run(RunMode::FullSize);
  if (previous.empty())
    ::unsetenv("TMPDIR");
  else
    ::setenv("TMPDIR", previous.c_str(), 1);
  EXPECT_EQ(result(), test::referenceMedian(stack));
  EXPECT_FALSE(anySourceHoldsAFullBitmap());
}

TEST_F(RunRulesTest, PreviewRunsOfTheBandRulesBlendThePreviews) {
  const std::vector<Picture> stack = test::randomStack(4, 500, 260, 8);
  addStack(stack);
  request.rule = 4;
  request.memoryBudget = oneRowPerBand(500, 260);
  run(RunMode::Previews);
  std::vector<Picture> previews;
  for (int i = 1; i <= 4; ++i)
    previews.push_back(test::toPicture(set.entry(i).preview.get()));
  EXPECT_EQ(result(), test::referenceMedian(previews));
}

TEST_F(RunRulesTest, BandedProgressClimbsToTheHeightAndNoFurther) {
  addStack(test::randomStack(5, 20, 13, 4));
  request.rule = 5;
  for (int threads : {1, 3}) {
    setWorkerThreads(threads);
    for (uint64_t memory : {oneRowPerBand(20, 13), kEverythingFits}) {
      observer.progressValues.clear();
      request.memoryBudget = memory;
      run(RunMode::FullSize);
      const std::vector<int64_t> &values = observer.progressValues;
      EXPECT_EQ(observer.progressMaximum, 13);
      EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
      EXPECT_EQ(values.back(), 13);
      EXPECT_EQ(observer.visibility.back(), false);
    }
  }
}

TEST_F(RunRulesTest, RulesRefuseTheWrongNumberOfImagesBeforeReadingAny) {
  const std::string minimum = "Minimum 3 images required for this mode";
  const std::string exactlyTwo = "Exactly 2 images required for this mode";
  const std::vector<std::tuple<int, int, std::string>> cases = {
      {4, 2, minimum},    {5, 1, minimum},  {7, 2, minimum}, {8, 1, exactlyTwo},
      {8, 3, exactlyTwo}, {12, 2, minimum}, {13, 1, minimum}};
  for (const auto &[option, count, message] : cases) {
    SCOPED_TRACE(::testing::Message() << "rule " << option << ", " << count << " images");
    set = ImageSet();
    observer = test::RecordingObserver();
    // The files do not exist: a refusal must come before any of them is opened.
    for (int i = 1; i <= count; ++i)
      set.append(dir.path().string(), {"missing_" + std::to_string(i) + ".png"});
    request.rule = option;
    run(RunMode::FullSize);
    EXPECT_EQ(outcome.refusal, message);
    EXPECT_FALSE(outcome.picture);
    EXPECT_TRUE(observer.visibility.empty());
  }
}

TEST_F(RunRulesTest, ARefusedPreviewRunReturnsImageOnesPreview) {
  addStack(test::randomStack(2, 600, 300, 12));
  request.rule = 4;
  run(RunMode::Previews);
  EXPECT_EQ(outcome.refusal, "Minimum 3 images required for this mode");
  EXPECT_EQ(result(), test::toPicture(set.entry(1).preview.get()));
  EXPECT_EQ(result().width, 400);
}

} // namespace
} // namespace lumicomb
