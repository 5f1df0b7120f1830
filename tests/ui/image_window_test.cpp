#include "imaging/image_loading.h"
#include "rules/rule_registry.h"
#include "support/reference_blends.h"
#include "ui/picture_box.h"
#include "ui/window_fixture.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>

namespace lumicomb::ui {
namespace {

QStringList rowsOf(QListWidget *list) {
  QStringList rows;
  for (int row = 0; row < list->count(); ++row)
    rows.append(list->item(row)->text());
  return rows;
}

void clickRow(QListWidget *list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  const QRect place = list->visualItemRect(list->item(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, place.center());
}

void ctrlClickRow(QListWidget *list, int row) { clickRow(list, row, Qt::ControlModifier); }

TEST_F(WindowTest, OpensWithTheInitialChoices) {
  EXPECT_EQ(imageWindow()->objectName(), "FormImage");
  EXPECT_EQ(imageWindow()->windowTitle(), "Image");
  auto *group = control<QButtonGroup>("BlendOption");
  EXPECT_EQ(group->checkedId(), 0);
  EXPECT_EQ(group->button(0)->text(), "Average");
  EXPECT_EQ(control<QLineEdit>("TextDivide")->text(), "1");
  EXPECT_EQ(control<QLineEdit>("TextLimit")->text(), "5");
  EXPECT_TRUE(control<QPushButton>("CommandSaveFreeimage")->isVisible());
  EXPECT_FALSE(control<QProgressBar>("ImgProgressBar")->isVisible());
  EXPECT_FALSE(control<QPushButton>("CmdCancel")->isVisible());
}

TEST_F(WindowTest, TheRuleRegistryDrivesTheRuleGroupAndTheBoxes) {
  const std::vector<RuleDescription> &registry = ruleRegistry();
  const QList<QAbstractButton *> buttons = control<QButtonGroup>("BlendOption")->buttons();
  ASSERT_EQ(buttons.size(), static_cast<qsizetype>(registry.size()));
  for (size_t i = 0; i < registry.size(); ++i) {
    const RuleDescription &rule = registry[i];
    QAbstractButton *button = buttons[static_cast<qsizetype>(i)];
    EXPECT_EQ(button->objectName(), "BlendOption" + QString::number(rule.index));
    EXPECT_EQ(button->text(), rule.caption);
    EXPECT_EQ(button->isVisible(), rule.make != nullptr) << rule.caption;
    const char *box = rule.parameter == RuleParameter::Divisor    ? "TextDivide"
                      : rule.parameter == RuleParameter::Limit    ? "TextLimit"
                      : rule.parameter == RuleParameter::HalfLife ? "TextHalfLife"
                                                                  : nullptr;
    if (box) {
      EXPECT_EQ(control<QLineEdit>(box)->text(), rule.defaultText) << rule.caption;
    }
  }
}

TEST_F(WindowTest, ARefillSelectsTheFirstRowAndSaveFollowsASingleSelection) {
  addStack(3, 40, 30, 1);
  imageWindow()->refreshImageList();
  auto *list = control<QListWidget>("ImageList1");
  auto *save = control<QPushButton>("CommandSaveFreeimage");
  EXPECT_EQ(rowsOf(list), (QStringList{"frame_1.png", "frame_2.png", "frame_3.png"}));
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_EQ(list->selectedItems().size(), 1);

  ctrlClickRow(list, 2);
  EXPECT_EQ(list->selectedItems().size(), 2);
  EXPECT_FALSE(save->isVisible());
  ctrlClickRow(list, 2);
  EXPECT_TRUE(save->isVisible());
}

TEST_F(WindowTest, RemovingRowsKeepsTheOthersInOrderAndRemovingAllKeepsThePictures) {
  addStack(4, 40, 30, 2);
  imageWindow()->refreshImageList();
  auto *list = control<QListWidget>("ImageList1");
  ctrlClickRow(list, 2); // rows 0 and 2 selected
  click("CmdRemoveImages");
  EXPECT_EQ(rowsOf(list), (QStringList{"frame_2.png", "frame_4.png"}));
  EXPECT_EQ(main->imageSet().sourceCount(), 2);

  const QImage shown = control<PictureBox>("PicSmallFrom")->picture();
  list->selectAll();
  click("CmdRemoveImages");
  EXPECT_EQ(list->count(), 0);
  EXPECT_EQ(control<PictureBox>("PicSmallFrom")->picture(), shown);
}

TEST_F(WindowTest, SelectingARowSizesBothBoxesToThePreviewAndStacksTheColumn) {
  addStack(2, 600, 400, 3); // fits the 400 x 300 box as 400 x 267
  imageWindow()->refreshImageList();
  const QRect from = control<PictureBox>("PicSmallFrom")->geometry();
  const QRect to = control<PictureBox>("PicSmallTo")->geometry();
  const QRect bar = control<QProgressBar>("ImgProgressBar")->geometry();
  EXPECT_EQ(from.size(), QSize(400, 267));
  EXPECT_EQ(to.size(), QSize(400, 267));
  EXPECT_EQ(to.top(), 2 * from.top() + from.height());
  EXPECT_EQ(bar.top(), 3 * from.top() + 2 * from.height());
  const QRect cancel = control<QPushButton>("CmdCancel")->geometry();
  EXPECT_EQ(bar.left(), from.left());
  EXPECT_LT(bar.right(), cancel.left());
  EXPECT_EQ(cancel.right(), from.right()) << "the bar and Cancel share the column's width";
  EXPECT_EQ(cancel.center().y(), bar.center().y());
  EXPECT_GE(imageWindow()->width(), to.right() + 1 + control<QWidget>("FrameEquip")->x());
}

TEST_F(WindowTest, EachRowShowsItsOwnPreviewsShapeWhateverWasShownBefore) {
  std::mt19937 random(10);
  const std::vector<std::string> names = {"portrait.png", "landscape.png"};
  test::writePicture(test::randomPicture(600, 800, random), dir.file(names[0]), FIF_PNG);
  test::writePicture(test::randomPicture(800, 600, random), dir.file(names[1]), FIF_PNG);
  main->imageSet().append(dir.path().string(), names);
  for (int i = 1; i <= 2; ++i)
    makePreview(main->imageSet(), i, {400, 300}, {});
  imageWindow()->refreshImageList();
  auto *list = control<QListWidget>("ImageList1");
  const std::vector<std::pair<int, QSize>> clicks = {
      {0, {225, 300}}, {1, {400, 300}}, {0, {225, 300}}};
  for (const auto &[row, size] : clicks) {
    clickRow(list, row);
    EXPECT_EQ(control<PictureBox>("PicSmallFrom")->size(), size) << "row " << row;
  }
}

TEST_F(WindowTest, TheWindowOnlyGrowsAndNotWhenMaximised) {
  addStack(2, 600, 400, 3);
  auto *subWindow = qobject_cast<QMdiSubWindow *>(imageWindow()->parentWidget());
  ASSERT_NE(subWindow, nullptr);
  subWindow->resize(300, 200);
  subWindow->showMaximized();
  const QSize maximised = imageWindow()->size();
  imageWindow()->showSourcePreview(1);
  EXPECT_EQ(imageWindow()->size(), maximised);

  subWindow->showNormal();
  subWindow->resize(300, 200);
  imageWindow()->showSourcePreview(1);
  const QSize grown = imageWindow()->size();
  EXPECT_GT(grown.width(), 300);
  main->settings().previewWidth = 250;
  main->imageSet().discardPreviews();
  imageWindow()->showSourcePreview(1);
  EXPECT_EQ(imageWindow()->size(), grown) << "smaller previews leave the window as large as it was";
}

TEST_F(WindowTest, PreviewDrawsTheBlendOfThePreviewsAtThePreviewSize) {
  addStack(3, 500, 260, 4);
  imageWindow()->refreshImageList();
  click("CmdFreeImage");
  waitForRun();
  const ImageSet &set = main->imageSet();
  std::vector<test::Picture> previews;
  for (int i = 1; i <= 3; ++i)
    previews.push_back(test::toPicture(set.entry(i).preview.get()));
  const test::Picture expected = test::referenceSumDivide(previews, 3);
  auto *to = control<PictureBox>("PicSmallTo");
  EXPECT_EQ(to->size(), QSize(400, 208));
  EXPECT_EQ(to->picture(), toImage(test::toBitmap(expected).get()));
  EXPECT_FALSE(control<QProgressBar>("ImgProgressBar")->isVisible());
}

TEST_F(WindowTest, AlignImagesIsKeptAsASettingAndAnAlignedPreviewSaysWhereItCut) {
  auto *align = control<QCheckBox>("CheckAlignImages");
  EXPECT_EQ(align->text(), "Align images");
  EXPECT_EQ(align->parentWidget()->objectName(), "FrameEquip");
  EXPECT_FALSE(align->isChecked());
  auto *report = control<QLabel>("LabelAlignment");

  const test::Picture frame = test::randomStack(1, 300, 200, 9)[0];
  main->imageSet().append(dir.path().string(), test::writeStack(dir, {frame, frame}));
  imageWindow()->refreshImageList();
  align->click();
  EXPECT_EQ(store.value("AlignImages"), "1");
  click("CmdFreeImage");
  waitForRun();
  EXPECT_TRUE(report->isVisible());
  EXPECT_EQ(report->text(), "Aligned 2 frames; result 300x200 at +0+0");
  EXPECT_EQ(control<QProgressBar>("ImgProgressBar")->text(), "Blending 2/2") << "the last phase";

  align->click();
  EXPECT_EQ(store.value("AlignImages"), "0");
  click("CmdFreeImage");
  waitForRun();
  EXPECT_FALSE(report->isVisible());
}

TEST_F(WindowTest, ControlsThatCouldDisturbARunAreUnavailableUntilItEnds) {
  addStack(4, 1600, 1200, 5);
  imageWindow()->refreshImageList();
  auto *subWindow = qobject_cast<QMdiSubWindow *>(imageWindow()->parentWidget());
  ASSERT_NE(subWindow, nullptr);
  const auto expectAvailable = [&](bool available) {
    for (const char *name : {"CmdFreeImage", "CommandSaveFreeimage", "Command1", "CmdRemoveImages",
                             "ImageList1", "CmdOK"})
      EXPECT_EQ(control<QWidget>(name)->isEnabled(), available) << name;
    for (const char *name : {"CmdFileOpenFreeImage", "CmdSetupSetup"})
      EXPECT_EQ(main->findChild<QAction *>(name)->isEnabled(), available) << name;
    EXPECT_EQ(imageWindow()->acceptDrops(), available);
    EXPECT_EQ(subWindow->windowFlags().testFlag(Qt::WindowCloseButtonHint), available);
    EXPECT_TRUE(subWindow->isVisible());
    EXPECT_EQ(control<QPushButton>("CmdCancel")->isVisible(), !available);
  };
  click("CmdFreeImage");
  ASSERT_TRUE(imageWindow()->isRunning());
  expectAvailable(false);
  waitForRun();
  expectAvailable(true);
}

TEST_F(WindowTest, CancelStopsARunWithoutAWordAndChangesNothing) {
  addStack(4, 1600, 1200, 9);
  imageWindow()->refreshImageList();
  auto *cancel = control<QPushButton>("CmdCancel");
  EXPECT_FALSE(cancel->isVisible());
  click("CmdFreeImage");
  waitForRun();
  const QImage preview = control<PictureBox>("PicSmallTo")->picture();
  const std::string target = dir.file("kept.png");
  test::writeWholeFile(target, "the previous result");
  saveDialog.answer = SaveChoice{target, 4};
  const std::vector<std::function<void()>> cancels = {
      [&] { QTest::mouseClick(cancel, Qt::LeftButton); },
      [&] { QTest::keyClick(imageWindow(), Qt::Key_Escape); }};
  for (const auto &pressCancel : cancels) {
    test::MessageCollector messages;
    click("CommandSaveFreeimage");
    ASSERT_TRUE(imageWindow()->isRunning());
    EXPECT_TRUE(cancel->isVisible());
    pressCancel();
    waitForRun();
    QApplication::processEvents();
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join("; ").toStdString();
    EXPECT_EQ(test::readWholeFile(target), "the previous result");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 5)
        << "the four frames and the kept file, no temporary file";
    EXPECT_EQ(control<PictureBox>("PicSmallTo")->picture(), preview);
    EXPECT_EQ(control<QListWidget>("ImageList1")->count(), 4);
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_TRUE(control<QWidget>("CmdFreeImage")->isEnabled());
  }
}

TEST_F(WindowTest, SaveOffersTheSettingsTypeAndAppliesTheExtensionRule) {
  const std::vector<test::Picture> stack = addStack(3, 30, 20, 6);
  imageWindow()->refreshImageList();
  main->settings().fileType = "PNG";
  saveDialog.answer = SaveChoice{dir.file("blend"), 4};
  click("CommandSaveFreeimage");
  waitForRun();
  EXPECT_EQ(saveDialog.shownFilterIndex, 4);
  EXPECT_EQ(saveDialog.shownName, dir.file("frame_1.") + "Lumicomb");
  EXPECT_EQ(test::readPicture(dir.file("blend.PNG")), test::referenceSumDivide(stack, 3));
}

TEST_F(WindowTest, FailuresAndRefusalsAreShownAndNothingIsWritten) {
  addStack(2, 30, 20, 7);
  imageWindow()->refreshImageList();
  control<QButtonGroup>("BlendOption")->button(4)->setChecked(true); // median needs three
  saveDialog.answer = SaveChoice{dir.file("median.png"), 4};
  {
    test::MessageCollector messages;
    click("CommandSaveFreeimage");
    waitForRun();
    EXPECT_TRUE(test::waitUntil([&] { return !messages.texts().isEmpty(); }));
    EXPECT_EQ(messages.texts(), QStringList{"Minimum 3 images required for this mode"});
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("median.png")));

  control<QButtonGroup>("BlendOption")->button(1)->setChecked(true);
  control<QLineEdit>("TextDivide")->setText("zero");
  {
    test::MessageCollector messages;
    click("CmdFreeImage");
    waitForRun();
    EXPECT_TRUE(test::waitUntil([&] { return !messages.texts().isEmpty(); }));
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].contains("\"zero\"")) << messages.texts()[0].toStdString();
  }
}

TEST_F(WindowTest, PreviewAndSaveWithoutImagesOnlySaySo) {
  for (const char *button : {"CmdFreeImage", "CommandSaveFreeimage"}) {
    QString text;
    test::acceptNextMessage(&text);
    click(button);
    EXPECT_TRUE(text.contains("no images")) << text.toStdString();
  }
  EXPECT_EQ(saveDialog.questions, 0);
}

TEST_F(WindowTest, DroppedFilesAreAddedAndUnreadableOnesReported) {
  const std::vector<std::string> names = test::writeStack(dir, test::randomStack(2, 20, 10, 8));
  test::writeWholeFile(dir.file("notes.txt"), "not a picture");
  auto *mime = new QMimeData;
  auto url = [this](const std::string &name) {
    return QUrl::fromLocalFile(QString::fromStdString(dir.file(name)));
  };
  mime->setUrls({url(names[0]), url("notes.txt"), url(names[1])});
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QString text;
  test::acceptNextMessage(&text);
  // Straight to the window: the application routes drops only during a real drag.
  static_cast<QObject *>(imageWindow())->event(&drop);
  EXPECT_EQ(rowsOf(control<QListWidget>("ImageList1")),
            (QStringList{"frame_1.png", "frame_2.png"}));
  EXPECT_TRUE(text.contains("notes.txt")) << text.toStdString();
  delete mime;
}

} // namespace
} // namespace lumicomb::ui
