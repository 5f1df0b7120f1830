#include "engine/errors.h"
#include "engine/image_set.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

namespace lumicomb {
namespace {

std::vector<std::string> namesOf(const ImageSet &set) {
  std::vector<std::string> names;
  for (int i = 1; i <= set.sourceCount(); ++i)
    names.push_back(set.entry(i).ImageName);
  return names;
}

Bitmap tinyBitmap() { return allocateRgb24(1, 1); }

TEST(ImageSet, StartsWithOnlyTheResultSlot) {
  const ImageSet set;
  EXPECT_EQ(set.sourceCount(), 0);
  EXPECT_FALSE(set.entry(0).FullBitmap);
  EXPECT_THROW(set.entry(1), LumicombError);
  EXPECT_THROW(set.entry(-1), LumicombError);
}

TEST(ImageSet, AppendsInOrderWithoutCheckingOrDecoding) {
  ImageSet set;
  set.AppendImages("/photos", {});
  EXPECT_EQ(set.sourceCount(), 0);
  set.AppendImages("/photos", {"a.jpg", "b.jpg"});
  set.AppendImages("/photos", {"a.jpg"});
  EXPECT_EQ(namesOf(set), (std::vector<std::string>{"a.jpg", "b.jpg", "a.jpg"}));
  EXPECT_EQ(set.entry(3).ImageFolder, "/photos");
  EXPECT_EQ(set.entry(3).PixelWidth, 0);
  EXPECT_FALSE(set.entry(3).PreviewBitmap);
}

TEST(ImageSet, JoinsFolderAndNameWithOneSeparator) {
  ImageSet set;
  set.AppendImages("/photos", {"a.jpg"});
  set.AppendImages("/", {"b.jpg"});
  set.AppendImages("", {"c.jpg"});
  EXPECT_EQ(set.imagePath(1), "/photos/a.jpg");
  EXPECT_EQ(set.imagePath(2), "/b.jpg");
  EXPECT_EQ(set.imagePath(3), "c.jpg");
}

TEST(ImageSet, RefusesToGrowPastItsLimitAndStaysUnchanged) {
  ImageSet set;
  set.AppendImages("d", std::vector<std::string>(ImageSet::kMaxSources - 1, "x.png"));
  EXPECT_THROW(set.AppendImages("d", {"y.png", "z.png"}), LumicombError);
  EXPECT_EQ(set.sourceCount(), ImageSet::kMaxSources - 1);
  set.AppendImages("d", {"y.png"});
  EXPECT_EQ(set.sourceCount(), ImageSet::kMaxSources);
}

TEST(ImageSet, RemovingKeepsTheOthersInOrderWithTheirPreviews) {
  ImageSet set;
  set.AppendImages("d", {"1", "2", "3", "4", "5"});
  std::vector<FIBITMAP *> previews;
  for (int i = 1; i <= 5; ++i) {
    set.entry(i).PreviewBitmap = tinyBitmap();
    previews.push_back(set.entry(i).PreviewBitmap.get());
  }
  set.entry(0).FullBitmap = tinyBitmap();

  set.RemoveImages({false, true, false, true, false});

  EXPECT_EQ(namesOf(set), (std::vector<std::string>{"1", "3", "5"}));
  EXPECT_EQ(set.entry(1).PreviewBitmap.get(), previews[0]);
  EXPECT_EQ(set.entry(2).PreviewBitmap.get(), previews[2]);
  EXPECT_EQ(set.entry(3).PreviewBitmap.get(), previews[4]);

  set.RemoveImages({true, true, true});
  EXPECT_EQ(set.sourceCount(), 0);
  EXPECT_TRUE(set.entry(0).FullBitmap) << "the result slot is never touched by a removal";
}

TEST(ImageSet, DiscardingPreviewsKeepsTheResultAndReleasingKeepsTheEntries) {
  ImageSet set;
  set.AppendImages("d", {"1", "2"});
  set.entry(0).FullBitmap = tinyBitmap();
  set.entry(1).PreviewBitmap = tinyBitmap();
  set.entry(2).FullBitmap = tinyBitmap();

  set.DiscardPreviews();
  EXPECT_FALSE(set.entry(1).PreviewBitmap);
  EXPECT_TRUE(set.entry(0).FullBitmap);

  set.ReleaseAllBitmaps();
  EXPECT_FALSE(set.entry(0).FullBitmap);
  EXPECT_FALSE(set.entry(2).FullBitmap);
  EXPECT_EQ(namesOf(set), (std::vector<std::string>{"1", "2"}));
}

} // namespace
} // namespace lumicomb
