#include "engine/errors.h"
#include "output/save_result.h"
#include "support/recording_window.h"
#include "support/reference_blends.h"
#include "support/scripted_save_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace lumicomb {
namespace {

using test::ScriptedSaveDialog;

class SaveResultTest : public ::testing::Test {
protected:
  test::TempDir dir;
  ImageSet set;
  test::RecordingWindow window;
  ScriptedSaveDialog dialog;
  RunningSettings settings;
  std::vector<test::Picture> stack = test::randomStack(3, 12, 8, 21);

  void SetUp() override { set.AppendImages(dir.path().string(), test::writeStack(dir, stack)); }
};

TEST_F(SaveResultTest, OffersTheDefaultNameAndTheSettingsFileType) {
  settings.FileType = "PNG";
  EXPECT_EQ(CommandSaveFreeimage(set, settings, window, dialog), std::nullopt);
  EXPECT_EQ(dialog.shownName, dir.file("frame_1.") + "Lumicomb");
  EXPECT_EQ(dialog.shownFilterIndex, 4);
  EXPECT_EQ(dialog.shownFilter.substr(0, 12), "Tiff (*.TIF)");
}

TEST_F(SaveResultTest, CancellingCostsNoBlendAndChangesNothing) {
  EXPECT_EQ(CommandSaveFreeimage(set, settings, window, dialog), std::nullopt);
  EXPECT_EQ(window.yields, 0);
  EXPECT_FALSE(set.entry(0).FullBitmap);
  EXPECT_FALSE(set.entry(1).PreviewBitmap);
}

TEST_F(SaveResultTest, SavesTheFullSizeBlendUnderTheNameWithTheTypeExtension) {
  dialog.answer = SaveChoice{dir.file("blend"), 4};
  const std::optional<std::string> written = CommandSaveFreeimage(set, settings, window, dialog);
  ASSERT_EQ(written, dir.file("blend.PNG"));
  EXPECT_EQ(test::readPicture(*written), test::referenceSumDivide(stack, 3));
}

TEST_F(SaveResultTest, JpegUsesTheQualitySetting) {
  dialog.answer = SaveChoice{dir.file("low.jpg"), 2};
  settings.JPEGcompression = 5;
  CommandSaveFreeimage(set, settings, window, dialog);
  dialog.answer = SaveChoice{dir.file("high.jpg"), 2};
  settings.JPEGcompression = 100;
  CommandSaveFreeimage(set, settings, window, dialog);
  EXPECT_LT(std::filesystem::file_size(dir.file("low.jpg")),
            std::filesystem::file_size(dir.file("high.jpg")));
}

TEST_F(SaveResultTest, AFailedBlendWritesNoFile) {
  window.blendOption = 1;
  window.divisor = "zero";
  dialog.answer = SaveChoice{dir.file("out.png"), 4};
  EXPECT_THROW(CommandSaveFreeimage(set, settings, window, dialog), LumicombError);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.png")));
}

TEST_F(SaveResultTest, ARuleThatRefusesTheImageCountWritesNothing) {
  window.blendOption = 8; // exactly two images
  test::writeWholeFile(dir.file("kept.png"), "earlier work");
  dialog.answer = SaveChoice{dir.file("kept.png"), 4};
  EXPECT_EQ(CommandSaveFreeimage(set, settings, window, dialog), std::nullopt);
  EXPECT_EQ(window.messages, std::vector<std::string>{"Exactly 2 images required for this mode"});
  EXPECT_EQ(test::readWholeFile(dir.file("kept.png")), "earlier work");
}

TEST(SaveResult, WithNoImagesIsRefusedBeforeTheDialog) {
  ImageSet empty;
  test::RecordingWindow window;
  ScriptedSaveDialog dialog;
  EXPECT_THROW(CommandSaveFreeimage(empty, {}, window, dialog), LumicombError);
  EXPECT_TRUE(dialog.shownName.empty());
}

} // namespace
} // namespace lumicomb
