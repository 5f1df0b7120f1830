#include "imaging/image_check.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace lumicomb {
namespace {

class ImageCheck : public ::testing::Test {
protected:
  test::TempDir dir;

  std::string picture(const std::string &name, FREE_IMAGE_FORMAT format) {
    std::mt19937 random(7);
    test::writePicture(test::randomPicture(6, 4, random), dir.file(name), format);
    return dir.file(name);
  }

  /// The check's answer, failing the test if anything reached the terminal meanwhile.
  std::optional<std::string> quietReason(const std::string &path) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    auto reason = unreadableReason(path);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << path;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << path;
    return reason;
  }
};

TEST_F(ImageCheck, PicturesOfEveryOfferedTypePass) {
  for (auto [name, format] : {std::pair{"a.png", FIF_PNG},
                              {"b.jpg", FIF_JPEG},
                              {"c.bmp", FIF_BMP},
                              {"d.tif", FIF_TIFF},
                              {"f.webp", FIF_WEBP},
                              {"e.JPG", FIF_JPEG}})
    EXPECT_EQ(quietReason(picture(name, format)), std::nullopt) << name;
}

TEST_F(ImageCheck, EverythingElseIsRefusedWithAReasonAndNothingPrinted) {
  test::writeWholeFile(dir.file("notes.txt"), "shopping list\nmilk\n");
  EXPECT_EQ(quietReason(dir.file("notes.txt")), "not an image file FreeImage can decode");
  EXPECT_EQ(quietReason(dir.file("gone.png")), std::strerror(ENOENT));
  std::filesystem::create_directory(dir.file("sub.png"));
  EXPECT_EQ(quietReason(dir.file("sub.png")), "it is a folder");
  test::writeWholeFile(dir.file("empty.png"), "");
  EXPECT_NE(quietReason(dir.file("empty.png")), std::nullopt);
}

TEST_F(ImageCheck, AHeaderCutShortIsRefusedWithoutPrinting) {
  for (auto [name, format] :
       {std::pair{"cut.png", FIF_PNG}, {"cut.jpg", FIF_JPEG}, {"cut.tif", FIF_TIFF}}) {
    const std::string whole = test::readWholeFile(picture(name, format));
    test::writeWholeFile(dir.file(name), whole.substr(0, 12));
    const auto reason = quietReason(dir.file(name));
    ASSERT_NE(reason, std::nullopt) << name;
    EXPECT_FALSE(reason->empty()) << name;
  }
}

} // namespace
} // namespace lumicomb
