#include "engine/run_blend_fixture.h"

namespace lumicomb {
namespace {

TEST_F(RunBlendTest, FullSizeAverageMatchesTheReferenceForAnyThreadCount) {
  for (int count : {1, 2, 3, 4, 7}) {
    ImageSet fresh;
    set = std::move(fresh);
    const std::vector<Picture> stack = test::randomStack(count, 37, 23, 10u + count);
    addStack(stack);
    const Picture expected = test::referenceSumDivide(stack, count);
    for (int threads : {1, 2, 3}) {
      setWorkerThreads(threads);
      RunBlend(set, kLarge, window, box);
      EXPECT_EQ(result(), expected) << count << " images, " << threads << " threads";
      EXPECT_FALSE(anySourceHoldsAFullBitmap());
    }
  }
}

TEST_F(RunBlendTest, SumAndDivideReadsTheDivisorBox) {
  const std::vector<Picture> stack = test::randomStack(3, 9, 9, 4);
  addStack(stack);
  window.blendOption = 1;
  window.divisor = " 2 ";
  RunBlend(set, kLarge, window, box);
  EXPECT_EQ(result(), test::referenceSumDivide(stack, 2));
}

TEST_F(RunBlendTest, PreviewRunBlendsThePreviewsAndDrawsThem) {
  const std::vector<Picture> stack = test::randomStack(3, 800, 600, 8);
  addStack(stack);
  RunBlend(set, kThumbnails, window, box);

  std::vector<Picture> previews;
  for (int i = 1; i <= 3; ++i) {
    ASSERT_TRUE(set.entry(i).PreviewBitmap);
    EXPECT_FALSE(set.entry(i).FullBitmap);
    previews.push_back(test::toPicture(set.entry(i).PreviewBitmap.get()));
  }
  EXPECT_EQ(result(), test::referenceSumDivide(previews, 3));
  EXPECT_EQ(set.ThumbWidth, 400);
  EXPECT_EQ(set.ThumbHeight, 300);
  EXPECT_EQ(window.drawings, 1);
  EXPECT_EQ(window.visibility, (std::vector<bool>{true, false}));
  EXPECT_EQ(window.progressMaximum, 300);
}

TEST_F(RunBlendTest, FullSizeRunIgnoresThePreviewSettingsAndDrawsNothing) {
  addStack(test::randomStack(2, 900, 500, 3));
  RunBlend(set, kLarge, window, {250, 200});
  EXPECT_EQ(widthOf(set.entry(0).FullBitmap.get()), 900);
  EXPECT_EQ(heightOf(set.entry(0).FullBitmap.get()), 500);
  EXPECT_EQ(window.drawings, 0);
  EXPECT_EQ(window.visibility, (std::vector<bool>{true, false}));
}

TEST_F(RunBlendTest, AnyOtherModeTakesTheFullSizePathWithoutShowingProgress) {
  addStack(test::randomStack(2, 30, 20, 3));
  RunBlend(set, RunMode{"large"}, window, box);
  EXPECT_EQ(widthOf(set.entry(0).FullBitmap.get()), 30);
  EXPECT_EQ(window.visibility, (std::vector<bool>{false, false}));
}

TEST_F(RunBlendTest, ASecondRunReplacesTheFirstResult) {
  addStack(test::randomStack(2, 8, 8, 3));
  RunBlend(set, kThumbnails, window, box);
  const FIBITMAP *first = set.entry(0).FullBitmap.get();
  RunBlend(set, kLarge, window, box);
  EXPECT_NE(set.entry(0).FullBitmap.get(), first);
}

TEST_F(RunBlendTest, SizeMismatchIsRefusedNamingTheFileAndBothSizes) {
  addStack({test::filledPicture(8, 6, {}), test::filledPicture(8, 6, {}),
            test::filledPicture(7, 6, {})});
  for (const RunMode &mode : {kLarge, kThumbnails}) {
    std::string message;
    EXPECT_EQ(failureKind(mode, &message), ErrorKind::SizeMismatch);
    EXPECT_EQ(message,
              "'" + set.imagePath(3) + "' is 7x6 pixels, but '" + set.imagePath(1) + "' is 8x6");
    EXPECT_FALSE(set.entry(0).FullBitmap) << "no result may be left behind";
    EXPECT_FALSE(anySourceHoldsAFullBitmap());
    EXPECT_EQ(window.visibility.back(), false);
  }
}

TEST_F(RunBlendTest, AFailedRunKeepsThePreviousResult) {
  addStack(test::randomStack(2, 8, 8, 3));
  RunBlend(set, kLarge, window, box);
  const Picture before = result();
  test::writeWholeFile(dir.file("frame_2.png"), "damaged");
  EXPECT_EQ(failureKind(kLarge), ErrorKind::BadFile);
  EXPECT_EQ(result(), before);
  EXPECT_FALSE(anySourceHoldsAFullBitmap());
}

TEST_F(RunBlendTest, AFirstImageThatFailsLateStillEndsTheRunWhenOthersAreWaiting) {
  // Image 1 fails only after a long decode, while many quick sources pile up behind it.
  std::mt19937 random(9);
  test::writePicture(test::randomPicture(1500, 1500, random), dir.file("slow.jpg"), FIF_JPEG);
  const std::string jpeg = test::readWholeFile(dir.file("slow.jpg"));
  test::writeWholeFile(dir.file("slow.jpg"), jpeg.substr(0, jpeg.size() * 9 / 10));
  set.AppendImages(dir.path().string(), {"slow.jpg"});
  addStack(std::vector<Picture>(12, test::filledPicture(1, 1, {})));
  for (int threads : {2, 3}) {
    setWorkerThreads(threads);
    std::string message;
    EXPECT_EQ(failureKind(kLarge, &message), ErrorKind::BadFile);
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
  for (const auto &[option, banded] :
       std::vector<std::pair<int, bool>>{{0, false}, {4, false}, {4, true}}) {
    for (int threads : {1, 2, 3, 8}) {
      SCOPED_TRACE(::testing::Message()
                   << "rule " << option << ", " << threads << " threads, banded " << banded);
      window.blendOption = option;
      setWorkerThreads(threads);
      budget = banded ? oneRowPerBand(6, 4) : UINT64_MAX;
      std::string message;
      EXPECT_EQ(failureKind(kLarge, &message), ErrorKind::SizeMismatch);
      EXPECT_TRUE(message.starts_with(quoted(set.imagePath(4)) + " is 5x4")) << message;
      EXPECT_FALSE(set.entry(0).FullBitmap);
      EXPECT_FALSE(anySourceHoldsAFullBitmap());
    }
  }
}

TEST_F(RunBlendTest, NoSourcesIsRefusedWithoutSideEffects) {
  EXPECT_EQ(failureKind(kLarge), ErrorKind::NoSources);
  EXPECT_TRUE(window.visibility.empty());
  EXPECT_EQ(window.drawings, 0);
}

TEST_F(RunBlendTest, ABadDivisorIsRefusedBeforeAnyFileIsRead) {
  set.AppendImages(dir.path().string(), {"does-not-exist.png"});
  window.blendOption = 1;
  for (const char *text : {"abc", "", "-1", "256", "0"}) {
    window.divisor = text;
    std::string message;
    failureKind(kLarge, &message);
    EXPECT_NE(message.find(std::string("\"") + text + "\""), std::string::npos) << message;
    EXPECT_FALSE(set.entry(1).PreviewBitmap);
  }
}

TEST_F(RunBlendTest, TheHiddenNinthOptionHasNoRule) {
  addStack(test::randomStack(3, 4, 4, 1));
  window.blendOption = 9;
  std::string message;
  EXPECT_EQ(failureKind(kLarge, &message), ErrorKind::NotAvailable);
  EXPECT_EQ(message, "\"Sharpest\" has no blend rule");
  EXPECT_FALSE(set.entry(0).FullBitmap);
}

} // namespace
} // namespace lumicomb
