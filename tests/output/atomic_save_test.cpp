#include "engine/errors.h"
#include "output/atomic_save.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace lumicomb {
namespace {

namespace fs = std::filesystem;

class AtomicSave : public ::testing::Test {
protected:
  test::TempDir dir;
  std::mt19937 random{3};
  test::Picture picture = test::randomPicture(17, 9, random);
  Bitmap bitmap = test::toBitmap(picture);

  size_t filesInFolder() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir.path()), {}));
  }

  std::string failureOf(const std::string &path, FREE_IMAGE_FORMAT format) {
    try {
      saveBitmapAtomically(bitmap.get(), path, format, 0);
    } catch (const LumicombError &error) {
      EXPECT_EQ(error.kind(), ErrorKind::WriteFailed);
      return error.what();
    }
    ADD_FAILURE() << "the save of " << path << " succeeded";
    return {};
  }
};

TEST_F(AtomicSave, WritesEachLosslessTypeExactlyAndLeavesNothingElse) {
  for (FREE_IMAGE_FORMAT format : {FIF_TIFF, FIF_BMP, FIF_PNG}) {
    const std::string path = dir.file("out." + std::to_string(format));
    saveBitmapAtomically(bitmap.get(), path, format, format == FIF_TIFF ? TIFF_NONE : 0);
    EXPECT_EQ(FreeImage_GetFileType(path.c_str(), 0), format);
    EXPECT_EQ(test::readPicture(path), picture);
  }
  saveBitmapAtomically(bitmap.get(), dir.file("out.jpg"), FIF_JPEG, 90);
  EXPECT_EQ(FreeImage_GetFileType(dir.file("out.jpg").c_str(), 0), FIF_JPEG);
  EXPECT_EQ(filesInFolder(), 4u) << "no temporary file may stay behind";
}

TEST_F(AtomicSave, ReplacesAnExistingFileAndKeepsItsPermissions) {
  const std::string path = dir.file("out.png");
  test::writeWholeFile(path, "old contents");
  ::chmod(path.c_str(), 0640);
  saveBitmapAtomically(bitmap.get(), path, FIF_PNG, 0);
  EXPECT_EQ(test::readPicture(path), picture);
  struct stat written {};
  ::stat(path.c_str(), &written);
  EXPECT_EQ(written.st_mode & 0777, 0640u);
}

TEST_F(AtomicSave, AFailedEncodeLeavesTheExistingFileUntouched) {
  const std::string path = dir.file("out.gif");
  test::writeWholeFile(path, "precious");
  // The GIF encoder takes no 24-bit pictures, so the library refuses part-way.
  const std::string message = failureOf(path, FIF_GIF);
  EXPECT_EQ(message.rfind("cannot write '" + path + "': ", 0), 0u) << message;
  EXPECT_EQ(test::readWholeFile(path), "precious");
  EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(AtomicSave, AFolderThatDoesNotExistIsNamedInTheFailure) {
  const std::string path = dir.file("missing/out.png");
  EXPECT_EQ(failureOf(path, FIF_PNG), "cannot write '" + path + "': No such file or directory");
}

TEST_F(AtomicSave, AFolderInPlaceOfTheFileIsNotReplaced) {
  fs::create_directory(dir.file("taken.png"));
  fs::create_directory(dir.file("taken.png/inside"));
  const std::string message = failureOf(dir.file("taken.png"), FIF_PNG);
  EXPECT_NE(message.find("taken.png"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(dir.file("taken.png/inside")));
  EXPECT_EQ(filesInFolder(), 1u);
}

} // namespace
} // namespace lumicomb
