// Every rule through the whole run: both passes, any thread count, any memory budget, and the
// rules' refusals of the wrong number of images.
#include "engine/image_loading.h"
#include "engine/run_blend_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace lumicomb {
namespace {

struct RuleCase {
  int option;
  bool banded; ///< runs in the band pass, whose memory the budget shapes
  std::function<Picture(const std::vector<Picture> &)> reference;
};

const std::vector<RuleCase> &ruleCases() {
  static const std::vector<RuleCase> cases = {
      {0, false,
       [](const auto &s) { return test::referenceSumDivide(s, static_cast<int64_t>(s.size())); }},
      {1, false, [](const auto &s) { return test::referenceSumDivide(s, 3); }},
      {2, false, test::referenceBrightest},
      {3, false, test::referenceDarkest},
      {4, true, test::referenceMedian},
      {5, true, test::referenceAverageOfCommonest},
      {6, false, [](const auto &s) { return test::referenceDifferentFromFirst(s, 40); }},
      {7, true, test::referenceMostDifferent},
      {8, true, [](const auto &s) { return test::referenceSumDivide(s, 2); }},
  };
  return cases;
}

constexpr uint64_t kEverythingFits = UINT64_MAX;

class RunRulesTest : public RunBlendTest {
protected:
  RunRulesTest() {
    window.divisor = "3";
    window.limit = "40";
  }

  void useStack(const std::vector<Picture> &stack) {
    set = ImageSet();
    addStack(stack);
  }
};

TEST_F(RunRulesTest, EveryRuleMatchesItsReferenceWhateverTheThreadsAndTheMemoryBudget) {
  for (const RuleCase &rule : ruleCases()) {
    for (int count : {2, 3, 4}) {
      if ((rule.option == 8) != (count == 2))
        continue; // dynamic range takes exactly two; the rest get odd and even stacks
      const std::vector<Picture> stack = test::randomStack(count, 45, 31, 70u + count);
      useStack(stack);
      window.blendOption = rule.option;
      const Picture expected = rule.reference(stack);
      for (int threads : {1, 3}) {
        setWorkerThreads(threads);
        const uint64_t small = rule.banded ? oneRowPerBand(45, 31) : kEverythingFits;
        for (uint64_t memory : {small, kEverythingFits}) {
          SCOPED_TRACE(::testing::Message()
                       << "rule " << rule.option << ", " << count << " images, " << threads
                       << " threads, budget " << memory);
          EXPECT_EQ(RunBlend(set, kLarge, window, box, memory), RunOutcome::Blended);
          EXPECT_EQ(result(), expected);
          EXPECT_FALSE(anySourceHoldsAFullBitmap());
          EXPECT_EQ(window.visibility.back(), false);
        }
      }
    }
  }
}

TEST_F(RunRulesTest, ACancelAtAnyYieldEndsTheRunAndLeavesNoBitmapBehind) {
  for (const RuleCase &rule : ruleCases()) {
    useStack(test::randomStack(rule.option == 8 ? 2 : 3, 7, 5, 30));
    window.blendOption = rule.option;
    for (int threads : {1, 2, 3}) {
      setWorkerThreads(threads);
      const uint64_t small = rule.banded ? oneRowPerBand(7, 5) : kEverythingFits;
      for (uint64_t memory : {small, kEverythingFits}) {
        window = test::RecordingWindow();
        window.blendOption = rule.option;
        window.divisor = "3";
        ASSERT_EQ(RunBlend(set, kLarge, window, box, memory), RunOutcome::Blended);
        const int64_t yields = window.yields;
        for (int64_t cancelAt = 0; cancelAt < yields; ++cancelAt) {
          SCOPED_TRACE(::testing::Message()
                       << "rule " << rule.option << ", " << threads << " threads, budget " << memory
                       << ", cancel at " << cancelAt << " of " << yields);
          set.entry(0).FullBitmap.reset();
          window.cancelAfterYields = cancelAt;
          window.yields = 0;
          budget = memory;
          EXPECT_EQ(failureKind(kLarge), ErrorKind::Cancelled);
          EXPECT_FALSE(set.entry(0).FullBitmap);
          EXPECT_FALSE(anySourceHoldsAFullBitmap());
        }
      }
    }
  }
}

TEST_F(RunRulesTest, BandsAreDecodedAgainWhenTheTemporaryFolderCannotTakeThem) {
  const std::vector<Picture> stack = test::randomStack(4, 30, 17, 9);
  addStack(stack);
  window.blendOption = 4;
  const std::string previous = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
  ::setenv("TMPDIR", dir.file("no-such-folder").c_str(), 1);
  RunBlend(set, kLarge, window, box, oneRowPerBand(30, 17));
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
  window.blendOption = 4;
  EXPECT_EQ(RunBlend(set, kThumbnails, window, box, oneRowPerBand(500, 260)), RunOutcome::Blended);
  std::vector<Picture> previews;
  for (int i = 1; i <= 4; ++i)
    previews.push_back(test::toPicture(set.entry(i).PreviewBitmap.get()));
  EXPECT_EQ(result(), test::referenceMedian(previews));
  EXPECT_EQ(window.drawings, 1);
}

TEST_F(RunRulesTest, BandedProgressClimbsToTheHeightAndNoFurther) {
  addStack(test::randomStack(5, 20, 13, 4));
  window.blendOption = 5;
  for (int threads : {1, 3}) {
    setWorkerThreads(threads);
    for (uint64_t memory : {oneRowPerBand(20, 13), kEverythingFits}) {
      window.progressValues.clear();
      RunBlend(set, kLarge, window, box, memory);
      const std::vector<int64_t> &values = window.progressValues;
      EXPECT_EQ(window.progressMaximum, 13);
      EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
      EXPECT_EQ(values.back(), 13);
      EXPECT_EQ(window.visibility.back(), false);
    }
  }
}

TEST_F(RunRulesTest, RulesRefuseTheWrongNumberOfImagesBeforeReadingAny) {
  const std::string minimum = "Minimum 3 images required for this mode";
  const std::string exactlyTwo = "Exactly 2 images required for this mode";
  const std::vector<std::tuple<int, int, std::string>> cases = {
      {4, 2, minimum}, {5, 1, minimum}, {7, 2, minimum}, {8, 1, exactlyTwo}, {8, 3, exactlyTwo}};
  for (const auto &[option, count, message] : cases) {
    SCOPED_TRACE(::testing::Message() << "rule " << option << ", " << count << " images");
    set = ImageSet();
    window = test::RecordingWindow();
    // The files do not exist: a refusal must come before any of them is opened.
    for (int i = 1; i <= count; ++i)
      set.AppendImages(dir.path().string(), {"missing_" + std::to_string(i) + ".png"});
    window.blendOption = option;
    EXPECT_EQ(RunBlend(set, kLarge, window, box), RunOutcome::Refused);
    EXPECT_EQ(window.messages, std::vector<std::string>{message});
    EXPECT_FALSE(set.entry(0).FullBitmap);
    EXPECT_TRUE(window.visibility.empty());
  }
}

TEST_F(RunRulesTest, ARefusedRunKeepsTheResultOrShowsImageOnesPreview) {
  addStack(test::randomStack(2, 600, 300, 12));
  RunBlend(set, kLarge, window, box);
  const Picture average = result();

  window.blendOption = 4;
  EXPECT_EQ(RunBlend(set, kLarge, window, box), RunOutcome::Refused);
  EXPECT_EQ(result(), average) << "a refused save must not find an unblended copy";

  EXPECT_EQ(RunBlend(set, kThumbnails, window, box), RunOutcome::Refused);
  EXPECT_EQ(result(), test::toPicture(set.entry(1).PreviewBitmap.get()));
  EXPECT_EQ(set.ThumbWidth, 400);
  EXPECT_EQ(window.drawings, 1);
  EXPECT_EQ(window.messages.size(), 2u);
}

TEST_F(RunRulesTest, ABadLimitIsRefusedBeforeAnyFileIsRead) {
  set.AppendImages(dir.path().string(), {"does-not-exist.png"});
  window.blendOption = 6;
  for (const char *text : {"abc", "", "-1", "256"}) {
    window.limit = text;
    std::string message;
    failureKind(kLarge, &message);
    EXPECT_NE(message.find(std::string("limit \"") + text + "\""), std::string::npos) << message;
  }
}

} // namespace
} // namespace lumicomb
