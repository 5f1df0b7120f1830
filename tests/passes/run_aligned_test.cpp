#include "align/common_rectangle.h"
#include "passes/aligned_sources.h"
#include "passes/run_blend_fixture.h"
#include "support/handheld_stacks.h"

#include <cmath>

namespace lumicomb {
namespace {

constexpr int64_t kWidth = 480;
constexpr int64_t kHeight = 320;

/// Peak signal to noise of `picture` against `truth`, both of one size, in dB.
double psnr(const Picture &picture, const Picture &truth) {
  double squares = 0;
  for (size_t k = 0; k < truth.pixels.size(); ++k)
    for (auto channel : {&test::Rgb::red, &test::Rgb::green, &test::Rgb::blue}) {
      const double d = picture.pixels[k].*channel - truth.pixels[k].*channel;
      squares += d * d;
    }
  return 10 * std::log10(255.0 * 255.0 * 3 * static_cast<double>(truth.pixels.size()) / squares);
}

Picture cropped(const Picture &picture, const PixelRectangle &crop) {
  const Bitmap bitmap = test::toBitmap(picture);
  return test::toPicture(warpedCopy(bitmap.get(), FrameTransform{}, crop).get());
}

class RunAlignedTest : public RunBlendTest {
protected:
  /// A handheld burst of five frames: image 1 as shot, the others moved and turned.
  std::vector<HandheldShot> burst() const {
    return {test::handheldShot(kWidth, kHeight, 0, 0, 0, 6, 1),
            test::handheldShot(kWidth, kHeight, 14.3, -9.6, 1.2, 6, 2),
            test::handheldShot(kWidth, kHeight, -21.7, 5.2, -1.8, 6, 3),
            test::handheldShot(kWidth, kHeight, 7.1, 15.9, 0.6, 6, 4),
            test::handheldShot(kWidth, kHeight, -4.4, -13.3, -0.9, 6, 5)};
  }
};

TEST_F(RunAlignedTest, AlignedMedianIsAsSharpAsTheMedianOfTrulyAlignedFramesOnAnyBudget) {
  std::vector<Picture> stack;
  for (const HandheldShot &shot : burst())
    stack.push_back(test::handheldPicture(kWidth, kHeight, shot));
  addStack(stack);
  request.rule = 4; // Median
  request.alignment = AlignModel::Similarity;
  run(RunMode::FullSize);
  ASSERT_TRUE(outcome.alignment);
  const PixelRectangle crop = outcome.alignment->crop;
  const Picture aligned = result();
  ASSERT_EQ(aligned.width, crop.width);
  EXPECT_FALSE(anySourceHoldsAFullBitmap());

  std::vector<FrameTransform> truth;
  std::vector<Picture> trulyAligned;
  for (size_t k = 0; k < stack.size(); ++k) {
    truth.push_back(test::fromBottomRow(burst()[k].toImageOne, kHeight));
    const Bitmap frame = test::toBitmap(stack[k]);
    trulyAligned.push_back(test::toPicture(warpedCopy(frame.get(), truth.back(), crop).get()));
  }
  const PixelRectangle trueCrop = commonRectangle(truth, kWidth, kHeight);
  EXPECT_NEAR(crop.width, trueCrop.width, 2);
  EXPECT_NEAR(crop.height, trueCrop.height, 2);

  HandheldShot still;
  const Picture scene = cropped(test::handheldPicture(kWidth, kHeight, still), crop);
  const double withTruth = psnr(test::referenceMedian(trulyAligned), scene);
  EXPECT_GT(psnr(aligned, scene), withTruth - 2);
  EXPECT_GT(withTruth, psnr(cropped(test::referenceMedian(stack), crop), scene) + 6)
      << "the burst is not shaken enough to tell aligned from unaligned";

  // A budget too small to hold every warped source makes the pass work in bands, to the same
  // bytes.
  request.threads = 1;
  request.memoryBudget = rgb24Bytes(crop.width, crop.height) + 4 * rgb24Bytes(kWidth, kHeight);
  run(RunMode::FullSize);
  EXPECT_EQ(result(), aligned);
}

TEST_F(RunAlignedTest, IdenticalFramesGiveTheUnalignedResultUncropped) {
  const Picture frame = test::handheldPicture(kWidth, kHeight, burst()[1]);
  addStack({frame, frame, frame});
  request.rule = 4;
  for (RunMode mode : {RunMode::FullSize, RunMode::Previews}) {
    request.alignment.reset();
    run(mode);
    const Picture unaligned = result();
    request.alignment = AlignModel::Similarity;
    run(mode);
    ASSERT_TRUE(outcome.alignment);
    EXPECT_EQ(outcome.alignment->crop, (PixelRectangle{0, 0, unaligned.width, unaligned.height}));
    EXPECT_EQ(result(), unaligned);
  }
}

TEST_F(RunAlignedTest, ACancelAtAnyYieldOfAnAlignedRunEndsItAndLeavesNoBitmapBehind) {
  const Picture frame = test::randomStack(1, 7, 5, 3)[0];
  addStack({frame, frame, frame});
  request.alignment = AlignModel::Similarity;
  for (int rule : {0, 4}) { // a sweep rule and a band rule
    request.rule = rule;
    for (int threads : {1, 2}) {
      SCOPED_TRACE(::testing::Message() << "rule " << rule << ", " << threads << " threads");
      request.threads = threads;
      observer = test::RecordingObserver();
      run(RunMode::FullSize);
      expectACancelAtEveryYieldToEndTheRun();
    }
  }
}

TEST_F(RunAlignedTest, AnUnrelatedFrameIsRefusedByNameAtFullSizeAndInPreviews) {
  HandheldShot elsewhere = burst()[1];
  elsewhere.sceneSeed = 99;
  addStack({test::handheldPicture(kWidth, kHeight, burst()[0]),
            test::handheldPicture(kWidth, kHeight, burst()[2]),
            test::handheldPicture(kWidth, kHeight, elsewhere)});
  request.alignment = AlignModel::Similarity;
  for (RunMode mode : {RunMode::FullSize, RunMode::Previews}) {
    std::string message;
    EXPECT_EQ(failureKind(mode, &message), ErrorKind::BadFile);
    EXPECT_TRUE(message.starts_with(quoted(set.imagePath(3)) + " cannot be aligned with image 1: "))
        << message;
    EXPECT_FALSE(anySourceHoldsAFullBitmap());
  }
}

} // namespace
} // namespace lumicomb
