#include "app/save_image.h"
#include "base/errors.h"
#include "support/recording_observer.h"
#include "support/reference_blends.h"
#include "support/scripted_save_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace lumicomb {
namespace {

using test::ScriptedSaveDialog;

class SaveImageTest : public ::testing::Test {
protected:
  test::TempDir dir;
  ImageSet set;
  test::RecordingObserver observer;
  ScriptedSaveDialog dialog;
  RunningSettings settings;
  std::vector<test::Picture> stack = test::randomStack(3, 12, 8, 21);

  void SetUp() override { set.append(dir.path().string(), test::writeStack(dir, stack)); }

  /// Asks for the file, then blends and saves at full size as the desktop program does.
  std::optional<std::string> saveAs(const BlendRequest &request = {}) {
    const std::optional<SaveTarget> target = askSaveTarget(set, settings, dialog);
    if (!target)
      return std::nullopt;
    const SaveJob job{.target = *target,
                      .jpegQuality = static_cast<int>(settings.jpegQuality),
                      .request = request};
    if (blendAndSave(set, job, observer))
      return std::nullopt;
    return target->path;
  }
};

TEST_F(SaveImageTest, OffersTheDefaultNameAndTheSettingsFileType) {
  settings.fileType = "PNG";
  EXPECT_EQ(saveAs(), std::nullopt);
  EXPECT_EQ(dialog.shownName, dir.file("frame_1.") + "Lumicomb");
  EXPECT_EQ(dialog.shownFilterIndex, 4);
  EXPECT_EQ(dialog.shownFilter.substr(0, 12), "Tiff (*.TIF)");
}

TEST_F(SaveImageTest, CancellingCostsNoBlendAndChangesNothing) {
  EXPECT_EQ(saveAs(), std::nullopt);
  EXPECT_EQ(observer.yields, 0);
  EXPECT_FALSE(set.entry(1).preview);
}

TEST_F(SaveImageTest, SavesTheFullSizeBlendUnderTheNameWithTheTypeExtension) {
  dialog.answer = SaveChoice{dir.file("blend"), 4};
  const std::optional<std::string> written = saveAs();
  ASSERT_EQ(written, dir.file("blend.PNG"));
  EXPECT_EQ(test::readPicture(*written), test::referenceSumDivide(stack, 3));
}

TEST_F(SaveImageTest, JpegUsesTheQualitySetting) {
  dialog.answer = SaveChoice{dir.file("low.jpg"), 2};
  settings.jpegQuality = 5;
  saveAs();
  dialog.answer = SaveChoice{dir.file("high.jpg"), 2};
  settings.jpegQuality = 100;
  saveAs();
  EXPECT_LT(std::filesystem::file_size(dir.file("low.jpg")),
            std::filesystem::file_size(dir.file("high.jpg")));
}

TEST_F(SaveImageTest, AFailedBlendWritesNoFile) {
  test::writeWholeFile(dir.file("frame_2.png"), "damaged");
  dialog.answer = SaveChoice{dir.file("out.png"), 4};
  EXPECT_THROW(saveAs(), LumicombError);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.png")));
}

TEST_F(SaveImageTest, ARuleThatRefusesTheImageCountWritesNothing) {
  test::writeWholeFile(dir.file("kept.png"), "earlier work");
  dialog.answer = SaveChoice{dir.file("kept.png"), 4};
  BlendRequest dynamicRange;
  dynamicRange.rule = 8; // exactly two images
  const SaveJob job{.target = *askSaveTarget(set, settings, dialog), .request = dynamicRange};
  EXPECT_EQ(blendAndSave(set, job, observer), "Exactly 2 images required for this mode");
  EXPECT_EQ(test::readWholeFile(dir.file("kept.png")), "earlier work");
}

TEST_F(SaveImageTest, ASixteenBitTiffTooLargeForItsOffsetsIsRefusedBeforeTheBlend) {
  test::writeWholeFile(dir.file("huge.bmp"), test::bmpClaiming(40000, 30000));
  ImageSet huge;
  huge.append(dir.path().string(), {"huge.bmp"});
  BlendRequest request;
  request.memoryBudget = uint64_t{1} << 40;
  request.depth = SampleDepth::Sixteen;
  const SaveJob job{.target = {dir.file("out.tif"), 1}, .request = request};
  try {
    blendAndSave(huge, job, observer);
    ADD_FAILURE() << "the save went through";
  } catch (const LumicombError &error) {
    EXPECT_NE(std::string(error.what()).find("a TIFF file holds at most"), std::string::npos)
        << error.what();
  }
  EXPECT_EQ(observer.yields, 0);
}

TEST_F(SaveImageTest, AnAlignedSaveCountsEachPhaseFromNothingToItsEnd) {
  ImageSet burst;
  burst.append(dir.path().string(), test::writeStack(dir, {stack[0], stack[0], stack[0]}));
  for (int rule : {0, 4}) { // a sweep rule and a band rule
    SCOPED_TRACE(rule);
    observer = test::RecordingObserver();
    SaveJob job{.target = {dir.file("out.tif"), 1}, .alignedFramesFolder = dir.file("aligned")};
    job.request.rule = rule;
    job.request.alignment = AlignModel::Similarity;
    ASSERT_EQ(blendAndSave(burst, job, observer), std::nullopt);
    ASSERT_EQ(observer.phaseCounts.size(), 4u);
    EXPECT_EQ(observer.phaseCounts[0], (std::vector<std::string>{"fitting 0/3", "fitting 1/3",
                                                                 "fitting 2/3", "fitting 3/3"}));
    std::vector<std::string> ends; // each phase's first and last count
    for (const std::vector<std::string> &counts : observer.phaseCounts)
      ends.insert(ends.end(), {counts.front(), counts.back()});
    EXPECT_EQ(ends, (std::vector<std::string>{"fitting 0/3", "fitting 3/3", "blending 0/3",
                                              "blending 3/3", "saving aligned 0/3",
                                              "saving aligned 3/3", "saving", "saving"}));
    EXPECT_EQ(observer.visibility, (std::vector<bool>{true, false, true, false}));
  }
}

TEST(SaveImage, WithNoImagesIsRefusedBeforeTheDialog) {
  ImageSet empty;
  ScriptedSaveDialog dialog;
  EXPECT_THROW(askSaveTarget(empty, {}, dialog), LumicombError);
  EXPECT_TRUE(dialog.shownName.empty());
}

} // namespace
} // namespace lumicomb
