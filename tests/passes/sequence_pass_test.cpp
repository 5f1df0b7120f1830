// The time-lapse through the whole run: sources decoded in parallel and folded in order.
#include "passes/run_blend_fixture.h"
#include "passes/sequence_pass.h"

namespace lumicomb {
namespace {

/// Keeps every step it is given.
class RecordingSink : public StepSink {
public:
  void describe(const std::vector<uint8_t> &, std::shared_ptr<const PhotoMetadata>) override {
    described = true;
  }
  int picturesHeld() const override { return 1; }
  void takeStep(int k, Bitmap picture) override {
    steps.push_back(k);
    pictures.push_back(test::toPicture(picture.get()));
  }

  bool described = false;
  std::vector<int> steps;
  std::vector<Picture> pictures;
};

class SequencePassTest : public RunBlendTest {
protected:
  RecordingSink sink;

  void runSequence(int rule, int window = 0) {
    sink = RecordingSink();
    request.rule = rule;
    request.sequence = &sink;
    request.window = window;
    run(RunMode::FullSize);
  }
};

TEST_F(SequencePassTest, StepsComeInOrderWhateverTheThreadsAndEachIsTheBlendSoFar) {
  const std::vector<Picture> stack = test::randomStack(7, 21, 9, 31);
  addStack(stack);
  for (const auto &[rule, window] :
       std::vector<std::pair<int, int>>{{0, 0}, {2, 0}, {2, 3}, {10, 0}})
    for (int threads : {1, 3}) {
      SCOPED_TRACE(::testing::Message()
                   << "rule " << rule << ", window " << window << ", " << threads << " threads");
      setWorkerThreads(threads);
      runSequence(rule, window);
      EXPECT_TRUE(sink.described);
      ASSERT_EQ(sink.steps, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
      for (size_t k = 1; k <= stack.size(); ++k) {
        const size_t first = window > 0 && k > static_cast<size_t>(window) ? k - window : 0;
        const std::vector<Picture> sofar(stack.begin() + static_cast<std::ptrdiff_t>(first),
                                         stack.begin() + static_cast<std::ptrdiff_t>(k));
        const Picture expected =
            rule == 0   ? test::referenceSumDivide(sofar, static_cast<int64_t>(sofar.size()))
            : rule == 2 ? test::referenceBrightest(sofar)
                        : test::referenceComet(sofar, 10);
        EXPECT_EQ(sink.pictures[k - 1], expected) << "step " << k;
      }
      // The result is always the blend of every image.
      EXPECT_EQ(result(), rule == 0   ? test::referenceSumDivide(stack, 7)
                          : rule == 2 ? test::referenceBrightest(stack)
                                      : test::referenceComet(stack, 10));
      EXPECT_FALSE(anySourceHoldsAFullBitmap());
    }
}

TEST_F(SequencePassTest, OtherRulesAreRefusedBeforeAnyImageIsRead) {
  for (int i = 1; i <= 3; ++i)
    set.append(dir.path().string(), {"missing_" + std::to_string(i) + ".png"});
  for (const auto &[rule, window, message] : std::vector<std::tuple<int, int, std::string>>{
           {4, 0,
            "a time-lapse is made with \"Average\", \"Sum and divide by\", \"Brightest\", "
            "\"Darkest\" or \"Comet trails\" only"},
           {10, 4,
            "a moving window is made with \"Brightest\", \"Darkest\" or \"Average\" only"}}) {
    request.rule = rule;
    request.sequence = &sink;
    request.window = window;
    std::string said;
    EXPECT_EQ(failureKind(RunMode::FullSize, &said), ErrorKind::OutOfRange);
    EXPECT_EQ(said, message);
    EXPECT_TRUE(sink.steps.empty());
  }
}

TEST_F(SequencePassTest, ACancelAtAnyYieldEndsTheRunAndLeavesNoBitmapBehind) {
  addStack(test::randomStack(4, 6, 5, 3));
  for (int threads : {1, 3}) {
    setWorkerThreads(threads);
    observer = test::RecordingObserver();
    runSequence(2, 2);
    expectACancelAtEveryYieldToEndTheRun();
  }
}

} // namespace
} // namespace lumicomb
