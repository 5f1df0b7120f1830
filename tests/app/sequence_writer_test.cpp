// The time-lapse's frames: their names, the video command, and whole files whatever happens.
#include "app/sequence_writer.h"
#include "base/errors.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

namespace lumicomb {
namespace {

namespace fs = std::filesystem;

TEST(SequenceFiles, TakeTheOutputsNameAndTypeAndPadOddSizesForTheVideo) {
  const FileTypeRow &png = fileTypeRow(*filterIndexForTypeName("PNG"));
  const SequenceFiles named = sequenceFilesFor("out/frames", "dir/trails.PNG", png);
  EXPECT_EQ(named.framePath(7), "out/frames/trails_00007.PNG");
  const SequenceFiles typed = sequenceFilesFor("f", "it's", png);
  EXPECT_EQ(typed.framePath(12345), "f/it's_12345.png");
  EXPECT_EQ(typed.videoCommand(640, 480),
            "ffmpeg -framerate 25 -i 'f/it'\\''s_%05d.png' -c:v libx264 -pix_fmt yuv420p "
            "'it'\\''s.mp4'");
  EXPECT_NE(typed.videoCommand(641, 480).find(" -vf 'pad=ceil(iw/2)*2:ceil(ih/2)*2' "),
            std::string::npos);
  EXPECT_NE(typed.videoCommand(640, 3).find("pad="), std::string::npos);
}

TEST(SequenceWriter, WritesEveryStepAndACancelLeavesOnlyWholeFiles) {
  test::TempDir dir;
  SequenceFiles files = sequenceFilesFor(dir.path().string(), "night.tif",
                                         fileTypeRow(*filterIndexForTypeName("TIFF")));
  prepareSequenceFolder(files, 40);
  std::atomic<bool> cancel{false};
  std::atomic<int> taken{0};
  {
    SequenceWriter writer(files, 2, [&] { return cancel.load(); });
    writer.describe({}, nullptr);
    try {
      for (int k = 1; k <= 40; ++k) {
        writer.takeStep(k, test::toBitmap(test::filledPicture(300, 200, {1, 2, uint8_t(k)})));
        taken = k;
        if (k == 25)
          cancel = true;
      }
      writer.finish();
      ADD_FAILURE() << "not cancelled";
    } catch (const LumicombError &error) {
      EXPECT_EQ(error.kind(), ErrorKind::Cancelled);
    }
  }
  int whole = 0;
  for (const fs::directory_entry &entry : fs::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    ASSERT_EQ(name.rfind("night_", 0), 0u) << "left behind: " << name;
    const int k = std::stoi(name.substr(6, 5));
    EXPECT_EQ(test::readPicture(entry.path().string()),
              test::filledPicture(300, 200, {1, 2, uint8_t(k)}));
    ++whole;
  }
  EXPECT_LE(whole, taken.load());
}

TEST(SequenceWriter, AFrameThatCannotBeWrittenIsRefusedBeforeAnything) {
  test::TempDir dir;
  const SequenceFiles files = sequenceFilesFor(dir.path().string(), "night.png",
                                               fileTypeRow(*filterIndexForTypeName("PNG")));
  fs::create_directory(files.framePath(3));
  EXPECT_THROW(prepareSequenceFolder(files, 5), LumicombError);
  EXPECT_FALSE(fs::exists(files.framePath(1)));
}

} // namespace
} // namespace lumicomb
