#include "base/errors.h"
#include "imaging/tracked_file.h"
#include "output/atomic_save.h"
#include "output/picture_encoding.h"
#include "output/tiny_disk.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

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
    return failureOf(path, bitmap.get(), format);
  }

  std::string failureOf(const std::string &path, FIBITMAP *picture, FREE_IMAGE_FORMAT format) {
    try {
      saveBitmapAtomically(picture, path, format, 0);
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

TEST_F(AtomicSave, EveryTypeReportsAFullDisk) {
  // Large enough that the data outgrows the file's buffer and the encoder seeks meanwhile.
  const Bitmap large = test::toBitmap(test::randomPicture(900, 700, random));
  for (FREE_IMAGE_FORMAT format : {FIF_TIFF, FIF_JPEG, FIF_BMP, FIF_PNG}) {
    FileBuffer buffer;
    const FileCloser full{std::fopen("/dev/full", "w+b")};
    ASSERT_NE(full.file, nullptr);
    useLargeBuffer(full.file, buffer);
    const int flags = format == FIF_TIFF ? TIFF_NONE : 0;
    EXPECT_EQ(encodePicture(large.get(), full.file, format, flags).failure, std::strerror(ENOSPC))
        << FreeImage_GetFormatFromFIF(format);
  }
}

TEST_F(AtomicSave, AFullDiskOrACancelLeavesTheOldFileWholeAndNoTemporaryFile) {
  const test::TinyDisk disk(dir.path() / "tiny");
  const fs::path folder = disk.mounted() ? dir.path() / "tiny" : dir.path();
  const std::string path = (folder / "result.tif").string();
  // Two of these do not fit the disk together, and each fits the file's buffer: the data goes
  // out only when the encoder seeks back at the end to finish the header.
  const Bitmap earlier = test::toBitmap(test::randomPicture(500, 400, random));
  saveBitmapAtomically(earlier.get(), path, FIF_TIFF, TIFF_NONE);
  const std::string before = test::readWholeFile(path);
  const Bitmap large = test::toBitmap(test::randomPicture(500, 400, random));
  auto filesBeside = [&] { return std::distance(fs::directory_iterator(folder), {}); };

  int writes = 0;
  try {
    SaveSteps steps;
    steps.cancelled = [&] { return ++writes > 3; };
    saveBitmapAtomically(large.get(), path, FIF_TIFF, TIFF_NONE, steps);
    ADD_FAILURE() << "a cancelled save went through";
  } catch (const LumicombError &error) {
    EXPECT_EQ(error.kind(), ErrorKind::Cancelled);
  }
  EXPECT_TRUE(test::readWholeFile(path) == before) << "the earlier file changed";
  EXPECT_EQ(filesBeside(), 1);

  if (!disk.mounted())
    GTEST_SKIP() << "no tmpfs of a megabyte could be mounted (not root?)";
  EXPECT_EQ(failureOf(path, large.get(), FIF_TIFF),
            "cannot write '" + path + "': " + std::strerror(ENOSPC));
  EXPECT_TRUE(test::readWholeFile(path) == before) << "the earlier file changed";
  EXPECT_EQ(filesBeside(), 1);
}

TEST_F(AtomicSave, AStopThatComesWhileABusyDiskSyncsStillCancels) {
  const std::string path = dir.file("result.png");
  for (const bool stopMeanwhile : {true, false}) {
    SCOPED_TRACE(stopMeanwhile);
    test::writeWholeFile(path, "precious");
    std::atomic<bool> stop = false;
    SaveSteps steps;
    steps.cancelled = [&] { return stop.load(); };
    steps.sync = [&](const std::string &temporary) {
      stop = stopMeanwhile; // a signal handler or the window's Cancel, on another thread
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      return syncToDisk(temporary);
    };
    try {
      saveBitmapAtomically(bitmap.get(), path, FIF_PNG, 0, steps);
      EXPECT_FALSE(stopMeanwhile) << "a stopped save went through";
      EXPECT_EQ(test::readPicture(path), picture);
    } catch (const LumicombError &error) {
      EXPECT_TRUE(stopMeanwhile) << error.what();
      EXPECT_EQ(error.kind(), ErrorKind::Cancelled);
      EXPECT_EQ(test::readWholeFile(path), "precious");
    }
    EXPECT_EQ(filesInFolder(), 1u);
  }
}

} // namespace
} // namespace lumicomb
