#include "base/errors.h"
#include "imaging/image_loading.h"
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
    set.append(dir.path().string(), {name});
  }
};

TEST_F(Loading, FullImageRecordsSizeAndDepth) {
  add("a.png", 40, 30);
  loadFullSize(set, 1, {});
  EXPECT_TRUE(set.entry(1).fullSize);
  EXPECT_EQ(set.entry(1).width, 40);
  EXPECT_EQ(set.entry(1).height, 30);
  EXPECT_EQ(set.entry(1).bitsPerPixel, 24);
}

TEST_F(Loading, PreviewFitsTheBoxAndLeavesNoFullBitmap) {
  add("a.png", 800, 600);
  add("b.png", 600, 800);
  const PreviewSize landscape = makePreview(set, 1, {400, 300}, {});
  EXPECT_TRUE(set.entry(1).preview);
  EXPECT_FALSE(set.entry(1).fullSize);
  EXPECT_EQ(widthOf(set.entry(1).preview.get()), 400);
  EXPECT_EQ(landscape.height, 300);

  const PreviewSize portrait = makePreview(set, 2, {400, 300}, {});
  EXPECT_EQ(portrait.width, 225);
  EXPECT_EQ(heightOf(set.entry(2).preview.get()), 300);
}

TEST_F(Loading, ImagesWiderOrTallerThanSixteenBitsWork) {
  add("wide.png", 40000, 1);
  add("tall.png", 1, 40000);
  loadFullSize(set, 1, {});
  loadFullSize(set, 2, {});
  EXPECT_EQ(set.entry(1).width, 40000);
  EXPECT_EQ(set.entry(2).height, 40000);
  makePreview(set, 1, {400, 300}, {});
  EXPECT_EQ(widthOf(set.entry(1).preview.get()), 400);
  EXPECT_EQ(heightOf(set.entry(1).preview.get()), 1);
}

TEST_F(Loading, AFileThatCannotBeDecodedLeavesTheEntryEmpty) {
  test::writeWholeFile(dir.file("bad.png"), "nothing here");
  set.append(dir.path().string(), {"bad.png"});
  EXPECT_THROW(makePreview(set, 1, {400, 300}, {}), LumicombError);
  EXPECT_FALSE(set.entry(1).fullSize);
  EXPECT_FALSE(set.entry(1).preview);
}

} // namespace
} // namespace lumicomb
