#include "passes/run_blend_fixture.h"

namespace lumicomb {
namespace {

TEST_F(RunBlendTest, FullSizeAverageMatchesTheReferenceForAnyThreadCount) {
  for (int count : {1, 2, 3, 4, 7}) {
    set = ImageSet();
    const std::vector<Picture> stack = test::randomStack(count, 37, 23, 10u + count);
    addStack(stack);
    const Picture expected = test::referenceSumDivide(stack, count);
    for (int threads : {1, 2, 3}) {
      request.threads = threads;
      run(RunMode::FullSize);
      EXPECT_EQ(result(), expected) << count << " images, " << threads << " threads";
      EXPECT_FALSE(anySourceHoldsAFullBitmap());
    }
  }
}

TEST_F(RunBlendTest, SumAndDivideTakesTheRequestsDivisor) {
  const std::vector<Picture> stack = test::randomStack(3, 9, 9, 4);
  addStack(stack);
  request.rule = 1;
  request.parameters.divisor = 2;
  run(RunMode::FullSize);
  EXPECT_EQ(result(), test::referenceSumDivide(stack, 2));
}

TEST_F(RunBlendTest, PreviewRunBlendsThePreviews) {
  const std::vector<Picture> stack = test::randomStack(3, 800, 600, 8);
  addStack(stack);
  run(RunMode::Previews);

  std::vector<Picture> previews;
  for (int i = 1; i <= 3; ++i) {
    ASSERT_TRUE(set.entry(i).preview);
    EXPECT_FALSE(set.entry(i).fullSize);
    previews.push_back(test::toPicture(set.entry(i).preview.get()));
  }
  EXPECT_EQ(result(), test::referenceSumDivide(previews, 3));
  EXPECT_EQ(result().width, 400);
  EXPECT_EQ(observer.visibility, (std::vector<bool>{true, false}));
  EXPECT_EQ(observer.progressMaximum, 300);
}

TEST_F(RunBlendTest, FullSizeRunIgnoresThePreviewSettings) {
  addStack(test::randomStack(2, 900, 500, 3));
  request.box = {250, 200};
  run(RunMode::FullSize);
  EXPECT_EQ(result().width, 900);
  EXPECT_EQ(result().height, 500);
  EXPECT_EQ(observer.visibility, (std::vector<bool>{true, false}));
}

TEST_F(RunBlendTest, SizeMismatchIsRefusedNamingTheFileAndBothSizes) {
  addStack({test::filledPicture(8, 6, {}), test::filledPicture(8, 6, {}),
            test::filledPicture(7, 6, {})});
  for (const RunMode mode : {RunMode::FullSize, RunMode::Previews}) {
    std::string message;
    EXPECT_EQ(failureKind(mode, &message), ErrorKind::SizeMismatch);
    EXPECT_EQ(message,
              "'" + set.imagePath(3) + "' is 7x6 pixels, but '" + set.imagePath(1) + "' is 8x6");
    EXPECT_FALSE(anySourceHoldsAFullBitmap());
    EXPECT_EQ(observer.visibility.back(), false);
  }
}

TEST_F(RunBlendTest, AFirstImageThatFailsLateStillEndsTheRunWhenOthersAreWaiting) {
  // Image 1 fails only after a long decode, while many quick sources pile up behind it.
  std::mt19937 random(9);
  test::writePicture(test::randomPicture(1500, 1500, random), dir.file("slow.jpg"), FIF_JPEG);
  const std::string jpeg = test::readWholeFile(dir.file("slow.jpg"));
  test::writeWholeFile(dir.file("slow.jpg"), jpeg.substr(0, jpeg.size() * 9 / 10));
  set.append(dir.path().string(), {"slow.jpg"});
  addStack(std::vector<Picture>(12, test::filledPicture(1, 1, {})));
  for (int threads : {2, 3}) {
    request.threads = threads;
    std::string message;
    EXPECT_EQ(failureKind(RunMode::FullSize, &message), ErrorKind::BadFile);
    EXPECT_NE(message.find("slow.jpg"), std::string::npos) << message;
    EXPECT_FALSE(anySourceHoldsAFullBitmap());
  }
}

TEST_F(RunBlendTest, TheLowestNumberedFaultyImageIsReportedWhateverTheThreadCount) {
  std::vector<Picture> stack(9, test::filledPicture(6, 4, {}));
  stack[3] = test::filledPicture(5, 4, {});
  stack[6] = test::filledPicture(6, 3, {});
  addStack(stack);
  test::writeWholeFile(dir.file("frame_8.png"), "damaged");
  // Average runs in the sweep pass, Median in the band pass, held whole or one row at a time.
  for (const auto &[rule, banded] :
       std::vector<std::pair<int, bool>>{{0, false}, {4, false}, {4, true}}) {
    for (int threads : {1, 2, 3, 8}) {
      SCOPED_TRACE(::testing::Message()
                   << "rule " << rule << ", " << threads << " threads, banded " << banded);
      request.rule = rule;
      setWorkerThreads(threads);
      request.memoryBudget = banded ? oneRowPerBand(6, 4) : UINT64_MAX;
      std::string message;
      EXPECT_EQ(failureKind(RunMode::FullSize, &message), ErrorKind::SizeMismatch);
      EXPECT_TRUE(message.starts_with(quoted(set.imagePath(4)) + " is 5x4")) << message;
      EXPECT_FALSE(anySourceHoldsAFullBitmap());
    }
  }
}

TEST_F(RunBlendTest, NoSourcesIsRefusedWithoutSideEffects) {
  EXPECT_EQ(failureKind(RunMode::FullSize), ErrorKind::NoSources);
  EXPECT_TRUE(observer.visibility.empty());
}

} // namespace
} // namespace lumicomb
