// A JPEG decodes to the samples of libjpeg's accurate decode, in every layout cameras and editors
// write, and stands upright by its EXIF orientation.
#include "imaging/image_decoding.h"
#include "support/jpeg_files.h"
#include "support/orientations.h"

#include <gtest/gtest.h>

namespace lumicomb {
namespace {

TEST(JpegDecoding, EveryLayoutAndOrientationDecodesAsTheAccurateDecodeUpright) {
  struct Case {
    const char *name;
    test::JpegLayout layout;
  };
  const Case cases[] = {
      {"4:2:0", {3, 2, 2, false}},      {"4:2:2", {3, 2, 1, false}}, {"4:4:4", {3, 1, 1, false}},
      {"progressive", {3, 2, 2, true}}, {"grey", {1, 1, 1, false}},  {"CMYK", {4, 1, 1, false}},
  };
  test::TempDir dir;
  std::mt19937 random{16};
  // Odd sides leave partial blocks at the right and bottom edges, where upsampling differs most.
  const test::Picture scene = test::randomPicture(37, 23, random);
  for (const Case &c : cases)
    for (int orientation = 1; orientation <= 8; ++orientation) {
      SCOPED_TRACE(std::string(c.name) + ", orientation " + std::to_string(orientation));
      const std::string path = dir.file(std::to_string(orientation) + c.name + ".jpg");
      test::writeJpeg(scene, path, c.layout);
      test::setOrientation(path, orientation);
      const test::Picture expected =
          test::asViewersShowIt(test::readJpegAccurately(path), orientation);
      EXPECT_EQ(test::toPicture(decodeImageFile(path).rgb.get()), expected);
    }
}

} // namespace
} // namespace lumicomb
