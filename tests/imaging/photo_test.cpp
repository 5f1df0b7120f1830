// Reading photographs as cameras make them: upright by their orientation tag, and in the colour
// profile asked for.
#include "imaging/colour_profiles.h"
#include "imaging/image_decoding.h"
#include "support/orientations.h"
#include "support/test_images.h"
#include "support/test_profiles.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

namespace lumicomb {
namespace {

using test::asViewersShowIt;
using test::Picture;
using test::Rgb;
using test::setOrientation;

class Photographs : public ::testing::Test {
protected:
  test::TempDir dir;
  std::mt19937 random{17};
};

TEST_F(Photographs, EveryOrientationIsReadUprightInEitherDepth) {
  const Picture stored = test::randomPicture(5, 3, random);
  for (int orientation = 0; orientation <= 9; ++orientation) {
    SCOPED_TRACE(orientation);
    const std::string path = dir.file(std::to_string(orientation) + ".tif");
    test::writePicture(stored, path, FIF_TIFF);
    setOrientation(path, orientation);
    const Picture expected = asViewersShowIt(stored, orientation);
    const DecodedImage eight = decodeImageFile(path);
    EXPECT_EQ(test::toPicture(eight.rgb.get()), expected);
    EXPECT_EQ(eight.header.width, expected.width);
    DecodeOptions wide;
    wide.depth = SampleDepth::Sixteen;
    const DecodedImage sixteen = decodeImageFile(path, wide);
    EXPECT_EQ(widthOf(sixteen.rgb.get()), expected.width);
    const auto *corner = reinterpret_cast<const FIRGB16 *>(scanLine(sixteen.rgb.get(), 0));
    EXPECT_EQ(corner->red, expected.at(0, 0).red * 257);
    // A size check before decoding sees the upright size, which every source is compared in.
    EXPECT_EQ(readImageHeader(path).width, expected.width);
  }
}

TEST_F(Photographs, ColoursAreConvertedIntoTheProfileAskedForOrLeftWithAWarning) {
  const Picture scene = test::filledPicture(4, 2, {200, 40, 90});
  const std::vector<uint8_t> wide = test::wideGamutProfile();
  // The same scene in the wide profile's numbers, with the profile embedded.
  Bitmap inWide = test::toBitmap(scene);
  const std::vector<uint8_t> sRGB;
  ASSERT_EQ(convertColours(inWide.get(), sRGB, wide), std::nullopt);
  EXPECT_NE(test::toPicture(inWide.get()), scene) << "the wide profile's numbers differ";
  test::embedProfile(inWide.get(), wide);
  ASSERT_TRUE(FreeImage_Save(FIF_PNG, inWide.get(), dir.file("wide.png").c_str(), 0));

  DecodeOptions toSRGB;
  toSRGB.targetProfile = &sRGB;
  const DecodedImage back = decodeImageFile(dir.file("wide.png"), toSRGB);
  EXPECT_EQ(back.photo.iccProfile, wide);
  EXPECT_TRUE(back.photo.warnings.empty());
  for (const Rgb &pixel : test::toPicture(back.rgb.get()).pixels) {
    EXPECT_NEAR(pixel.red, 200, 1);
    EXPECT_NEAR(pixel.green, 40, 1);
    EXPECT_NEAR(pixel.blue, 90, 1);
  }

  // The same as a TIFF with EXIF beside its profile, as raw converters write them.
  ASSERT_TRUE(FreeImage_Save(FIF_TIFF, inWide.get(), dir.file("wide.tif").c_str(), 0));
  auto tiff = Exiv2::ImageFactory::open(dir.file("wide.tif"));
  tiff->readMetadata();
  tiff->exifData()["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
  tiff->writeMetadata();
  const DecodedImage fromTiff = decodeImageFile(dir.file("wide.tif"), toSRGB);
  EXPECT_EQ(test::toPicture(fromTiff.rgb.get()), test::toPicture(back.rgb.get()));
  EXPECT_EQ(fromTiff.photo.iccProfile, wide);

  // An sRGB profile is the sRGB an untagged picture stands for: nothing to convert.
  Bitmap tagged = test::toBitmap(scene);
  test::embedProfile(tagged.get(), test::sRGBProfile());
  ASSERT_TRUE(FreeImage_Save(FIF_PNG, tagged.get(), dir.file("srgb.png").c_str(), 0));
  EXPECT_EQ(test::toPicture(decodeImageFile(dir.file("srgb.png"), toSRGB).rgb.get()), scene);

  std::vector<uint8_t> damaged(wide.begin(), wide.begin() + 100);
  test::embedProfile(inWide.get(), damaged);
  ASSERT_TRUE(FreeImage_Save(FIF_TIFF, inWide.get(), dir.file("damaged.tif").c_str(), 0));
  const DecodedImage kept = decodeImageFile(dir.file("damaged.tif"), toSRGB);
  ASSERT_EQ(kept.photo.warnings.size(), 1u);
  EXPECT_NE(kept.photo.warnings[0].find("damaged.tif"), std::string::npos);
  EXPECT_NE(test::toPicture(kept.rgb.get()), scene) << "left as it is stored";
}

TEST_F(Photographs, UnreadableMetadataKeepsThePixelsWithAWarning) {
  const Picture picture = test::randomPicture(6, 4, random);
  test::writePicture(picture, dir.file("frame.jpg"), FIF_JPEG);
  std::string bytes = test::readWholeFile(dir.file("frame.jpg"));
  // An EXIF segment whose first directory points far past its end.
  const char segment[] = "\xff\xe1\x00\x10"
                         "Exif\0\0II*\0\xff\xff\xff\x7f";
  bytes.insert(2, segment, sizeof segment - 1);
  test::writeWholeFile(dir.file("odd.jpg"), bytes);
  DecodeOptions options;
  options.withMetadata = true;
  const DecodedImage decoded = decodeImageFile(dir.file("odd.jpg"), options);
  EXPECT_EQ(widthOf(decoded.rgb.get()), 6);
  EXPECT_EQ(decoded.photo.orientation, 1);
  for (const std::string &warning : decoded.photo.warnings)
    EXPECT_NE(warning.find("odd.jpg"), std::string::npos) << warning;
}

} // namespace
} // namespace lumicomb
