// "Sharpest" and "Exposure fusion" through the whole run, on stacks whose answer is known.
#include "passes/run_blend_fixture.h"
#include "support/focus_stacks.h"
#include "support/rule_runner.h"
#include "support/wide_files.h"

namespace lumicomb {
namespace {

constexpr int kSharpest = 9;
constexpr int kExposureFusion = 11;
constexpr int64_t kWidth = 192;
constexpr int64_t kHeight = 128;

class RunFusionTest : public RunBlendTest {
protected:
  void useStack(const std::vector<Picture> &stack) {
    set = ImageSet();
    addStack(stack);
  }

  Picture blend(int rule) {
    request.rule = rule;
    run(RunMode::FullSize);
    return result();
  }

  static const DepthScene &scene() {
    static const DepthScene landscape = test::landscapeScene(kWidth, kHeight);
    return landscape;
  }
};

TEST_F(RunFusionTest, SharpestComesCloseToTheSharpPictureAlsoWhereDepthSteps) {
  const Picture truth = test::sharpPicture(scene());
  const std::vector<bool> band = test::bottomUp(depthStepBand(scene(), 8), kWidth, kHeight);
  struct Case {
    const char *name;
    test::StackVariant variant;
    FocusMethod method;
    double least;       ///< dB against the sharp picture
    double leastInBand; ///< the same around the depth steps
  };
  const std::vector<Case> cases = {
      {"clean", {6, 8, 0, 1}, FocusMethod::Pyramid, 38.5, 35.5},
      {"noisy", {6, 8, 3, 1}, FocusMethod::Pyramid, 35, 33.5},
      {"clean by depth map", {6, 8, 0, 1}, FocusMethod::DepthMap, 34.5, 31.5},
      {"noisy by depth map", {6, 8, 3, 1}, FocusMethod::DepthMap, 33.5, 31},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<Picture> stack = test::focusStack(scene(), c.variant);
    double bestSlice = 0;
    for (const Picture &slice : stack)
      bestSlice = std::max(bestSlice, test::psnr(slice, truth));
    useStack(stack);
    request.parameters.focus.method = c.method;
    const Picture fused = blend(kSharpest);
    EXPECT_GE(test::psnr(fused, truth), c.least) << "the best slice alone: " << bestSlice;
    EXPECT_GE(test::psnr(fused, truth, band), c.leastInBand);
  }
}

TEST_F(RunFusionTest, AlignedSharpestFollowsFocusBreathingAndEvensADriftingExposure) {
  constexpr int64_t kAlignWidth = 320;
  constexpr int64_t kAlignHeight = 200;
  const DepthScene wide = test::landscapeScene(kAlignWidth, kAlignHeight);
  std::vector<Picture> stack = test::focusStack(wide, {6, 8, 0, 1.02});
  // The exposure drifts by a few percent from frame to frame.
  const std::vector<double> drift = {1, 1.03, 0.98, 1.05, 1.01, 0.96};
  for (size_t k = 0; k < stack.size(); ++k)
    for (test::Rgb &pixel : stack[k].pixels)
      for (const auto channel : {&test::Rgb::red, &test::Rgb::green, &test::Rgb::blue})
        pixel.*channel =
            static_cast<uint8_t>(std::min(255.0, std::round(pixel.*channel * drift[k])));
  useStack(stack);
  request.alignment = AlignModel::Similarity;
  const Picture fused = blend(kSharpest);
  ASSERT_TRUE(outcome.alignment);
  const std::vector<double> &gains = outcome.alignment->gains;
  ASSERT_EQ(gains.size(), drift.size());
  for (size_t k = 0; k < drift.size(); ++k)
    EXPECT_NEAR(gains[k] * drift[k], 1, 0.01) << k;
  const PixelRectangle crop = outcome.alignment->crop;
  EXPECT_GE(test::psnr(fused, test::sharpPicture(wide), {}, crop.x, crop.y), 36);
  // Fits chained frame to frame wait for each other's grey copies: a cancel while they fit
  // must release them all.
  for (int64_t cancelAt = 0; cancelAt < 8; ++cancelAt) {
    observer.cancelAfterYields = cancelAt;
    observer.yields = 0;
    EXPECT_EQ(failureKind(RunMode::FullSize), ErrorKind::Cancelled) << cancelAt;
  }
}

TEST_F(RunFusionTest, FusingABracketKeepsAtMostAQuarterOfTheMiddleFramesClipping) {
  const Picture photo = test::sharpPicture(scene());
  const std::vector<Picture> bracket = {test::exposed(photo, -1), test::exposed(photo, 1),
                                        test::exposed(photo, 3)};
  useStack(bracket);
  const Picture fused = blend(kExposureFusion);
  EXPECT_LE(test::clippedSamples(fused), test::clippedSamples(bracket[1]) / 4);
  EXPECT_GT(test::clippedSamples(bracket[1]), 1000);
}

TEST_F(RunFusionTest, ResultsAreTheSameOnAnyNumberOfThreadsAndInPreviews) {
  const std::vector<Picture> stack = test::randomStack(5, 53, 37, 8);
  std::vector<test::WidePicture> wide = test::randomWideStack(4, 53, 37, 9);
  for (const int rule : {kSharpest, kExposureFusion})
    for (const FocusMethod method : {FocusMethod::Pyramid, FocusMethod::DepthMap})
      for (const SampleDepth depth : {SampleDepth::Eight, SampleDepth::Sixteen}) {
        SCOPED_TRACE(::testing::Message()
                     << "rule " << rule << ", method " << static_cast<int>(method) << ", depth "
                     << bytesPerSample(depth));
        set = ImageSet();
        if (depth == SampleDepth::Eight)
          addStack(stack);
        else
          set.append(dir.path().string(), test::writeWideStack(dir, wide));
        request.parameters.focus.method = method;
        request.depth = depth;
        request.rule = rule;
        std::vector<Bitmap> results;
        for (const int threads : {1, 3}) {
          request.threads = threads;
          run(RunMode::FullSize);
          results.push_back(std::move(outcome.picture));
          EXPECT_FALSE(anySourceHoldsAFullBitmap());
        }
        const auto bytes = [](const Bitmap &picture) {
          const size_t rowBytes = FreeImage_GetLine(picture.get());
          std::string all;
          for (int64_t y = 0; y < heightOf(picture.get()); ++y)
            all.append(reinterpret_cast<const char *>(scanLine(picture.get(), y)), rowBytes);
          return all;
        };
        EXPECT_EQ(bytes(results[0]), bytes(results[1]));
        run(RunMode::Previews);
        EXPECT_EQ(widthOf(outcome.picture.get()), 53);
      }
}

TEST_F(RunFusionTest, ACancelAtAnyYieldEndsTheRunAndLetsGoOfTheFrames) {
  addStack(test::randomStack(3, 9, 6, 10));
  for (const int rule : {kSharpest, kExposureFusion}) {
    SCOPED_TRACE(rule);
    request.rule = rule;
    observer = test::RecordingObserver();
    run(RunMode::FullSize);
    EXPECT_GE(observer.yields, 3 * 6);
    EXPECT_EQ(observer.progressValues.back(), static_cast<int64_t>(observer.progressMaximum));
    expectACancelAtEveryYieldToEndTheRun();
  }
}

TEST_F(RunFusionTest, TooSmallABudgetIsRefusedBeforeAnythingIsDecodedAndOneFrameIsNotEnough) {
  addStack(test::randomStack(1, 64, 48, 11));
  request.rule = kSharpest;
  run(RunMode::FullSize);
  EXPECT_EQ(outcome.refusal, "Minimum 2 images required for this mode");
  addStack(test::randomStack(2, 64, 48, 12));
  request.memoryBudget = 100'000;
  std::string message;
  EXPECT_EQ(failureKind(RunMode::FullSize, &message), ErrorKind::BadFile);
  EXPECT_NE(message.find("which need"), std::string::npos) << message;
  EXPECT_FALSE(anySourceHoldsAFullBitmap());
}

} // namespace
} // namespace lumicomb
