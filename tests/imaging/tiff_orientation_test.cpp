// Every TIFF stands upright by its first directory's Orientation tag, whatever its layout.
#include "imaging/image_decoding.h"
#include "support/orientations.h"
#include "support/tiff_files.h"

#include <gtest/gtest.h>

namespace lumicomb {
namespace {

using test::TiffKind;

TEST(TiffOrientation, EveryLayoutStandsUprightByItsFirstDirectory) {
  test::TempDir dir;
  std::mt19937 random{16};
  const test::Picture scene = test::randomPicture(19, 11, random);
  for (const TiffKind kind : {TiffKind::OneBitGroup4, TiffKind::EightBitGrey, TiffKind::YCbCrJpeg})
    for (const bool big : {false, true}) {
      // JPEG data is lossy: what the file stores is what its orientation 1 reads as.
      const std::string asStored = dir.file("stored.tif");
      test::writeTiff(scene, asStored, {kind, big, 1});
      const test::Picture stored = kind == TiffKind::YCbCrJpeg
                                       ? test::toPicture(decodeImageFile(asStored).rgb.get())
                                       : test::storedAs(scene, kind);
      for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(kind) << ", big " << big
                                        << ", orientation " << orientation);
        const std::string path = dir.file("oriented.tif");
        test::writeTiff(scene, path, {kind, big, orientation});
        const test::Picture expected = test::asViewersShowIt(stored, orientation);
        const DecodedImage decoded = decodeImageFile(path);
        EXPECT_EQ(test::toPicture(decoded.rgb.get()), expected);
        EXPECT_TRUE(decoded.photo.warnings.empty());
        EXPECT_EQ(readImageHeader(path).width, expected.width);
      }
    }
}

TEST(TiffOrientation, AnUnreadableTagIsNamedInAWarningAndThePictureKeptAsStored) {
  test::TempDir dir;
  std::mt19937 random{16};
  const test::Picture scene =
      test::storedAs(test::randomPicture(7, 5, random), TiffKind::EightBitGrey);
  const std::string path = dir.file("odd.tif");
  test::writeTiff(scene, path, {TiffKind::EightBitGrey, false, 6});
  std::string bytes = test::readWholeFile(path);
  // Orientation 6 as one SHORT, retyped as a RATIONAL, which no reader takes for a number.
  const std::string entry("\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00", 10);
  const size_t at = bytes.find(entry);
  ASSERT_NE(at, std::string::npos);
  bytes[at + 2] = '\x05';
  test::writeWholeFile(path, bytes);
  const DecodedImage decoded = decodeImageFile(path);
  EXPECT_EQ(test::toPicture(decoded.rgb.get()), scene);
  ASSERT_EQ(decoded.photo.warnings.size(), 1u);
  EXPECT_EQ(decoded.photo.warnings[0],
            "cannot read the orientation of '" + path + "'; it is blended as stored");
}

} // namespace
} // namespace lumicomb
