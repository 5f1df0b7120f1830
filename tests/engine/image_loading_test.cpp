#include "engine/errors.h"
#include "engine/image_loading.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

namespace lumicomb {
namespace {

void expectPreview(int64_t w, int64_t h, int64_t previewW, int64_t previewH) {
  const PreviewSize size = previewSizeFor(w, h, PreviewBox{400, 300});
  EXPECT_EQ(size.width, previewW) << w << "x" << h;
  EXPECT_EQ(size.height, previewH) << w << "x" << h;
}

TEST(PreviewSize, FitsTheWidthFirstAndCorrectsOnlyAnOverflowingHeight) {
  expectPreview(3000, 2000, 400, 267);
  expectPreview(2000, 3000, 200, 300);
  expectPreview(320, 240, 320, 240);
  expectPreview(800, 1200, 200, 300);
  expectPreview(800, 5, 400, 2); // 2.5 rounds to 2
  expectPreview(800, 3, 400, 2); // 1.5 rounds to 2
}

TEST(PreviewSize, NeverShrinksASideToNothing) {
  expectPreview(800, 1, 400, 1);
  expectPreview(1, 100000, 1, 300);
  expectPreview(100000, 1, 400, 1);
}

class Loading : public ::testing::Test {
protected:
  test::TempDir dir;
  ImageSet set;

  void add(const std::string &name, int64_t width, int64_t height) {
    test::writePicture(test::filledPicture(width, height, {10, 20, 30}), dir.file(name), FIF_PNG);
    set.AppendImages(dir.path().string(), {name});
  }
};

TEST_F(Loading, FullImageRecordsSizeAndDepth) {
  add("a.png", 40, 30);
  LoadFullImage(set, 1, {});
  EXPECT_TRUE(set.entry(1).FullBitmap);
  EXPECT_EQ(set.entry(1).PixelWidth, 40);
  EXPECT_EQ(set.entry(1).PixelHeight, 30);
  EXPECT_EQ(set.entry(1).BitsPerPixel, 24);
}

TEST_F(Loading, PreviewLeavesNoFullBitmapAndSetsTheSharedPreviewSize) {
  add("a.png", 800, 600);
  add("b.png", 600, 800);
  LoadPreviewImage(set, 1, {400, 300}, {});
  EXPECT_TRUE(set.entry(1).PreviewBitmap);
  EXPECT_FALSE(set.entry(1).FullBitmap);
  EXPECT_EQ(widthOf(set.entry(1).PreviewBitmap.get()), 400);
  EXPECT_EQ(set.ThumbWidth, 400);
  EXPECT_EQ(set.ThumbHeight, 300);

  LoadPreviewImage(set, 2, {400, 300}, {});
  EXPECT_EQ(set.ThumbWidth, 225);
  EXPECT_EQ(set.ThumbHeight, 300);
}

TEST_F(Loading, ImagesWiderOrTallerThanSixteenBitsWork) {
  add("wide.png", 40000, 1);
  add("tall.png", 1, 40000);
  LoadFullImage(set, 1, {});
  LoadFullImage(set, 2, {});
  EXPECT_EQ(set.entry(1).PixelWidth, 40000);
  EXPECT_EQ(set.entry(2).PixelHeight, 40000);
  LoadPreviewImage(set, 1, {400, 300}, {});
  EXPECT_EQ(set.ThumbWidth, 400);
  EXPECT_EQ(set.ThumbHeight, 1);
}

TEST_F(Loading, AFileThatCannotBeDecodedLeavesTheEntryEmpty) {
  test::writeWholeFile(dir.file("bad.png"), "nothing here");
  set.AppendImages(dir.path().string(), {"bad.png"});
  EXPECT_THROW(LoadPreviewImage(set, 1, {400, 300}, {}), LumicombError);
  EXPECT_FALSE(set.entry(1).FullBitmap);
  EXPECT_FALSE(set.entry(1).PreviewBitmap);
  EXPECT_EQ(set.ThumbWidth, 0);
}

} // namespace
} // namespace lumicomb
