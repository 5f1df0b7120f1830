#include "imaging/image_loading.h"
#include "support/reference_blends.h"
#include "ui/picture_box.h"
#include "ui/window_fixture.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>
#include <functional>

namespace lumicomb::ui {
namespace {

QStringList rowsOf(QListWidget *list) {
  QStringList rows;
  for (int row = 0; row < list->count(); ++row)
    rows.append(list->item(row)->text());
  return rows;
}

void ctrlClickRow(QListWidget *list, int row) {
  const QRect place = list->visualItemRect(list->item(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, place.center());
}

TEST_F(WindowTest, OpensWithTheInitialChoicesAndNeverOffersSharpest) {
  EXPECT_EQ(form()->windowTitle(), "Image");
  auto *group = form()->findChild<QButtonGroup *>("BlendOption");
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->buttons().size(), 10);
  EXPECT_EQ(group->checkedId(), 0);
  EXPECT_EQ(group->button(0)->text(), "Average");
  EXPECT_EQ(group->button(8)->text(), "Dynamic range (max 2 images)");
  EXPECT_FALSE(group->button(9)->isVisible());
  EXPECT_EQ(control<QLineEdit>("TextDivide")->text(), "1");
  EXPECT_EQ(control<QLineEdit>("TextLimit")->text(), "5");
  EXPECT_TRUE(control<QPushButton>("CommandSaveFreeimage")->isVisible());
  EXPECT_FALSE(control<QProgressBar>("ImgProgressBar")->isVisible());
}

TEST_F(WindowTest, ARefillSelectsTheFirstRowAndSaveFollowsASingleSelection) {
  addStack(3, 40, 30, 1);
  form()->refreshImageList();
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
  form()->refreshImageList();
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
  form()->refreshImageList();
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
  EXPECT_GE(form()->width(), to.right() + 1 + control<QWidget>("FrameEquip")->x());
}

TEST_F(WindowTest, TheWindowOnlyGrowsAndNotWhenMaximised) {
  addStack(2, 600, 400, 3);
  auto *subWindow = qobject_cast<QMdiSubWindow *>(form()->parentWidget());
  ASSERT_NE(subWindow, nullptr);
  subWindow->resize(300, 200);
  subWindow->showMaximized();
  const QSize maximised = form()->size();
  form()->showSourcePreview(1);
  EXPECT_EQ(form()->size(), maximised);

  subWindow->showNormal();
  subWindow->resize(300, 200);
  form()->showSourcePreview(1);
  const QSize grown = form()->size();
  EXPECT_GT(grown.width(), 300);
  main->settings().previewWidth = 250;
  main->imageSet().discardPreviews();
  form()->showSourcePreview(1);
  EXPECT_EQ(form()->size(), grown) << "smaller previews leave the window as large as it was";
}

TEST_F(WindowTest, PreviewDrawsTheBlendOfThePreviewsAtThePreviewSize) {
  addStack(3, 500, 260, 4);
  form()->refreshImageList();
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

TEST_F(WindowTest, ControlsThatCouldDisturbARunAreUnavailableUntilItEnds) {
  addStack(4, 1600, 1200, 5);
  form()->refreshImageList();
  click("CmdFreeImage");
  ASSERT_TRUE(form()->isRunning());
  for (const char *name :
       {"CmdFreeImage", "CommandSaveFreeimage", "Command1", "CmdRemoveImages", "CmdOK"})
    EXPECT_FALSE(control<QWidget>(name)->isEnabled()) << name;
  EXPECT_FALSE(main->findChild<QAction *>("CmdFileOpenFreeImage")->isEnabled());
  EXPECT_FALSE(main->findChild<QAction *>("CmdSetupSetup")->isEnabled());
  waitForRun();
  for (const char *name :
       {"CmdFreeImage", "CommandSaveFreeimage", "Command1", "CmdRemoveImages", "CmdOK"})
    EXPECT_TRUE(control<QWidget>(name)->isEnabled()) << name;
  EXPECT_TRUE(main->findChild<QAction *>("CmdSetupSetup")->isEnabled());
}

TEST_F(WindowTest, CancelStopsARunWithoutAWordAndChangesNothing) {
  addStack(4, 1600, 1200, 9);
  form()->refreshImageList();
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
      [&] { QTest::keyClick(form(), Qt::Key_Escape); }};
  for (const auto &pressCancel : cancels) {
    test::MessageCollector messages;
    click("CommandSaveFreeimage");
    ASSERT_TRUE(form()->isRunning());
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
  form()->refreshImageList();
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
  form()->refreshImageList();
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
  static_cast<QObject *>(form())->event(&drop);
  EXPECT_EQ(rowsOf(control<QListWidget>("ImageList1")),
            (QStringList{"frame_1.png", "frame_2.png"}));
  EXPECT_TRUE(text.contains("notes.txt")) << text.toStdString();
  delete mime;
}

} // namespace
} // namespace lumicomb::ui
