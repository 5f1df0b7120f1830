#include "base/errors.h"
#include "imaging/image_set.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

namespace lumicomb {
namespace {

std::vector<std::string> namesOf(const ImageSet &set) {
  std::vector<std::string> names;
  for (int i = 1; i <= set.sourceCount(); ++i)
    names.push_back(set.entry(i).name);
  return names;
}

Bitmap tinyBitmap() { return allocateRgb24(1, 1); }

TEST(ImageSet, StartsEmptyAndCountsFromOne) {
  const ImageSet set;
  EXPECT_EQ(set.sourceCount(), 0);
  EXPECT_THROW(set.entry(0), LumicombError);
  EXPECT_THROW(set.entry(1), LumicombError);
  EXPECT_THROW(set.entry(-1), LumicombError);
}

TEST(ImageSet, AppendsInOrderWithoutCheckingOrDecoding) {
  ImageSet set;
  set.append("/photos", {});
  EXPECT_EQ(set.sourceCount(), 0);
  set.append("/photos", {"a.jpg", "b.jpg"});
  set.append("/photos", {"a.jpg"});
  EXPECT_EQ(namesOf(set), (std::vector<std::string>{"a.jpg", "b.jpg", "a.jpg"}));
  EXPECT_EQ(set.entry(3).folder, "/photos");
  EXPECT_EQ(set.entry(3).width, 0);
  EXPECT_FALSE(set.entry(3).preview);
}

TEST(ImageSet, JoinsFolderAndNameWithOneSeparator) {
  ImageSet set;
  set.append("/photos", {"a.jpg"});
  set.append("/", {"b.jpg"});
  set.append("", {"c.jpg"});
  EXPECT_EQ(set.imagePath(1), "/photos/a.jpg");
  EXPECT_EQ(set.imagePath(2), "/b.jpg");
  EXPECT_EQ(set.imagePath(3), "c.jpg");
}

TEST(ImageSet, RefusesToGrowPastItsLimitAndStaysUnchanged) {
  ImageSet set;
  set.append("d", std::vector<std::string>(ImageSet::kMaxSources - 1, "x.png"));
  EXPECT_THROW(set.append("d", {"y.png", "z.png"}), LumicombError);
  EXPECT_EQ(set.sourceCount(), ImageSet::kMaxSources - 1);
  set.append("d", {"y.png"});
  EXPECT_EQ(set.sourceCount(), ImageSet::kMaxSources);
}

TEST(ImageSet, RemovingKeepsTheOthersInOrderWithTheirPreviews) {
  ImageSet set;
  set.append("d", {"1", "2", "3", "4", "5"});
  std::vector<FIBITMAP *> previews;
  for (int i = 1; i <= 5; ++i) {
    set.entry(i).preview = tinyBitmap();
    previews.push_back(set.entry(i).preview.get());
  }

  set.remove({false, true, false, true, false});

  EXPECT_EQ(namesOf(set), (std::vector<std::string>{"1", "3", "5"}));
  EXPECT_EQ(set.entry(1).preview.get(), previews[0]);
  EXPECT_EQ(set.entry(2).preview.get(), previews[2]);
  EXPECT_EQ(set.entry(3).preview.get(), previews[4]);

  set.remove({true, true, true});
  EXPECT_EQ(set.sourceCount(), 0);
}

TEST(ImageSet, DiscardingPreviewsKeepsFullBitmapsAndReleasingKeepsTheEntries) {
  ImageSet set;
  set.append("d", {"1", "2"});
  set.entry(1).preview = tinyBitmap();
  set.entry(2).fullSize = tinyBitmap();

  set.discardPreviews();
  EXPECT_FALSE(set.entry(1).preview);
  EXPECT_TRUE(set.entry(2).fullSize);

  set.releaseAllBitmaps();
  EXPECT_FALSE(set.entry(2).fullSize);
  EXPECT_EQ(namesOf(set), (std::vector<std::string>{"1", "2"}));
}

} // namespace
} // namespace lumicomb
