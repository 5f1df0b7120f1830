#include "base/errors.h"
#include "output/file_types.h"

#include <gtest/gtest.h>

namespace lumicomb {
namespace {

TEST(FileTypes, TheDialogOffersTheFourTypesInOrder) {
  EXPECT_EQ(saveFilterString(),
            "Tiff (*.TIF)|*.TIF|Jpeg (*.JPG)|*.JPG|BMP (*.BMP)|*.BMP|PNG (*.PNG)|*.PNG");
  EXPECT_EQ(fileTypeRow(1).format, FIF_TIFF);
  EXPECT_EQ(fileTypeRow(2).format, FIF_JPEG);
  EXPECT_EQ(fileTypeRow(3).format, FIF_BMP);
  EXPECT_EQ(fileTypeRow(4).format, FIF_PNG);
  EXPECT_THROW(fileTypeRow(0), LumicombError);
  EXPECT_THROW(fileTypeRow(5), LumicombError);
}

TEST(FileTypes, TheSettingChoosesTheFirstOfferedTypeExactly) {
  EXPECT_EQ(initialFilterIndex("TIFF"), 1);
  EXPECT_EQ(initialFilterIndex("JPEG"), 2);
  EXPECT_EQ(initialFilterIndex("BMP"), 3);
  EXPECT_EQ(initialFilterIndex("PNG"), 4);
  EXPECT_EQ(initialFilterIndex("JPG"), 2);
  EXPECT_EQ(initialFilterIndex("png"), 2);
  EXPECT_EQ(initialFilterIndex(""), 2);
}

TEST(FileTypes, FlagsAreNoCompressionForTiffAndTheQualityForJpeg) {
  EXPECT_EQ(saveFlags(fileTypeRow(1), 80), TIFF_NONE);
  EXPECT_EQ(saveFlags(fileTypeRow(2), 100), 100);
  EXPECT_EQ(saveFlags(fileTypeRow(2), 7), 7);
  EXPECT_EQ(saveFlags(fileTypeRow(3), 80), 0);
  EXPECT_EQ(saveFlags(fileTypeRow(4), 80), 0);
}

TEST(FileTypes, DefaultNameCutsThreeCharactersOfTheFirstImagePath) {
  EXPECT_EQ(defaultSaveName("/photos/IMG_0001.JPG"), "/photos/IMG_0001.Lumicomb");
  EXPECT_EQ(defaultSaveName("/photos/photo.jpeg"), "/photos/photo.jLumicomb");
  EXPECT_EQ(defaultSaveName("ab"), "Lumicomb");
}

TEST(FileTypes, TheTypeExtensionIsAddedUnlessTheLastFourCharactersAreIt) {
  const FileTypeRow &tiff = fileTypeRow(1);
  const FileTypeRow &jpeg = fileTypeRow(2);
  EXPECT_EQ(withTypeExtension("out", jpeg), "out.JPG");
  EXPECT_EQ(withTypeExtension("out.jpg", jpeg), "out.jpg");
  EXPECT_EQ(withTypeExtension("out.jpeg", jpeg), "out.jpeg.JPG");
  EXPECT_EQ(withTypeExtension("result.TIF", tiff), "result.TIF");
  EXPECT_EQ(withTypeExtension("result.tiff", tiff), "result.tiff.TIF");
  EXPECT_EQ(withTypeExtension("photo.JPG", tiff), "photo.JPG.TIF");
}

TEST(FileTypes, CommandLineNamesAndExtensionsInAnyCase) {
  EXPECT_EQ(filterIndexForTypeName("tiff"), 1);
  EXPECT_EQ(filterIndexForTypeName("Tif"), 1);
  EXPECT_EQ(filterIndexForTypeName("JPEG"), 2);
  EXPECT_EQ(filterIndexForTypeName("jpg"), 2);
  EXPECT_EQ(filterIndexForTypeName("bmp"), 3);
  EXPECT_EQ(filterIndexForTypeName("PNG"), 4);
  EXPECT_EQ(filterIndexForTypeName("gif"), std::nullopt);

  EXPECT_EQ(filterIndexForExtension("a/b.TIFF"), 1);
  EXPECT_EQ(filterIndexForExtension("b.tif"), 1);
  EXPECT_EQ(filterIndexForExtension("b.Jpeg"), 2);
  EXPECT_EQ(filterIndexForExtension("b.JPG"), 2);
  EXPECT_EQ(filterIndexForExtension("b.bmp"), 3);
  EXPECT_EQ(filterIndexForExtension("b.png"), 4);
  EXPECT_EQ(filterIndexForExtension("b.gif"), std::nullopt);
  EXPECT_EQ(filterIndexForExtension("png"), std::nullopt);
}

TEST(FileTypes, ASizeIsCheckedAtTheDepthTheTypeWrites) {
  // 40000x30000 takes 3.4 GiB at 8 bits a channel and twice that at 16.
  struct Case {
    int filterIndex;
    SampleDepth depth;
    bool holds;
  };
  for (const Case &test : std::vector<Case>{{1, SampleDepth::Eight, true},
                                            {1, SampleDepth::Sixteen, false},
                                            {3, SampleDepth::Sixteen, true},
                                            {4, SampleDepth::Sixteen, true}}) {
    const FileTypeRow &row = fileTypeRow(test.filterIndex);
    SCOPED_TRACE(row.typeName + (test.depth == SampleDepth::Sixteen ? " at 16" : " at 8"));
    try {
      requireTypeHolds(row, "out", 40000, 30000, test.depth);
      EXPECT_TRUE(test.holds);
    } catch (const LumicombError &error) {
      EXPECT_FALSE(test.holds);
      EXPECT_EQ(std::string(error.what()),
                "cannot write 'out': a TIFF file holds at most 3.9 GiB of pixels, and the result "
                "of 40000x30000 would take 6.7 GiB");
    }
  }
}

} // namespace
} // namespace lumicomb
