// The night sky in the window: comet trails, closing gaps, darks, hot pixels, bright frames,
// the capture order and the time-lapse.
#include "support/reference_blends.h"
#include "ui/window_fixture.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <exiv2/exiv2.hpp>

#include <filesystem>

namespace lumicomb::ui {
namespace {

QStringList rowsOf(const QListWidget *list) {
  QStringList rows;
  for (int row = 0; row < list->count(); ++row)
    rows.append(list->item(row)->text());
  return rows;
}

TEST_F(WindowTest, CometTrailsTakeTheirHalfLifeAndCloseGapsIsOfferedWithTheRulesThatCan) {
  const std::vector<test::Picture> stack = addStack(3, 30, 20, 5);
  imageWindow()->refreshImageList();
  auto *rules = control<QButtonGroup>("BlendOption");
  auto *closeGaps = control<QCheckBox>("CheckCloseGaps");
  EXPECT_EQ(rules->button(10)->text(), "Comet trails");
  EXPECT_EQ(control<QLineEdit>("TextHalfLife")->text(), "10");
  EXPECT_FALSE(closeGaps->isEnabled());
  for (const int rule : {2, 10}) {
    rules->button(rule)->setChecked(true);
    EXPECT_TRUE(closeGaps->isEnabled()) << rule;
  }
  closeGaps->setChecked(true);
  EXPECT_EQ(store.value("CloseGaps"), "1");
  closeGaps->setChecked(false);

  control<QLineEdit>("TextHalfLife")->setText("1.5");
  saveDialog.answer = SaveChoice{dir.file("comet.png"), 4};
  click("CommandSaveFreeimage");
  waitForRun();
  EXPECT_EQ(test::readPicture(dir.file("comet.png")), test::referenceComet(stack, 1.5));

  control<QLineEdit>("TextHalfLife")->setText("never");
  QString said;
  test::acceptNextMessage(&said);
  click("CmdFreeImage");
  EXPECT_TRUE(said.contains("\"never\" is not a positive number")) << said.toStdString();
}

TEST_F(WindowTest, TheNightBoxesAreKeptAndASaveWritesEveryStepBesideTheFile) {
  const std::vector<test::Picture> stack = addStack(3, 24, 16, 6);
  imageWindow()->refreshImageList();
  for (const auto &[box, key] : {std::pair{"CheckRemoveHotPixels", "RemoveHotPixels"},
                                 {"CheckSkipBrightFrames", "SkipBrightFrames"}}) {
    control<QCheckBox>(box)->setChecked(true);
    EXPECT_EQ(store.value(key), "1") << key;
    control<QCheckBox>(box)->setChecked(false);
  }
  control<QButtonGroup>("BlendOption")->button(2)->setChecked(true);
  control<QCheckBox>("CheckSaveSteps")->setChecked(true);
  saveDialog.answer = SaveChoice{dir.file("trails.png"), 4};
  click("CommandSaveFreeimage");
  waitForRun();
  for (size_t k = 1; k <= stack.size(); ++k)
    EXPECT_EQ(test::readPicture(dir.file("trails_frames/trails_0000" + std::to_string(k) + ".png")),
              test::referenceBrightest({stack.begin(), stack.begin() + static_cast<long>(k)}));

  // A rule without a time-lapse says so before it writes anything.
  control<QButtonGroup>("BlendOption")->button(4)->setChecked(true);
  saveDialog.answer = SaveChoice{dir.file("median.png"), 4};
  QString said;
  test::acceptNextMessage(&said);
  click("CommandSaveFreeimage");
  waitForRun();
  EXPECT_TRUE(said.contains("time-lapse")) << said.toStdString();
  EXPECT_FALSE(std::filesystem::exists(dir.file("median_frames")));
}

TEST_F(WindowTest, DarksAreListedAndRemovedAndTheImagesGoInTheOrderTaken) {
  addStack(3, 12, 8, 7);
  ImageSet &set = main->imageSet();
  for (int i = 1; i <= 3; ++i) {
    const auto image = Exiv2::ImageFactory::open(set.imagePath(i));
    image->readMetadata();
    image->exifData()["Exif.Photo.DateTimeOriginal"] = "2024:05:05 01:00:0" + std::to_string(5 - i);
    image->writeMetadata();
  }
  set.appendDarks(dir.path().string(), {"frame_1.png", "frame_2.png"});
  imageWindow()->refreshImageList();
  auto *darks = control<QListWidget>("ListDarks");
  EXPECT_EQ(rowsOf(darks), (QStringList{"frame_1.png", "frame_2.png"}));
  darks->item(0)->setSelected(true);
  click("CmdRemoveDarks");
  EXPECT_EQ(rowsOf(darks), QStringList{"frame_2.png"});
  EXPECT_EQ(set.darkCount(), 1);

  click("CmdSortByTime");
  EXPECT_EQ(rowsOf(control<QListWidget>("ImageList1")),
            (QStringList{"frame_3.png", "frame_2.png", "frame_1.png"}));
}

} // namespace
} // namespace lumicomb::ui
