#include "ui/picture_box.h"
#include "ui/window_fixture.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>

namespace lumicomb::ui {
namespace {

void clickIn(QWidget *dialog, const char *button) {
  QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);
}

int openSubWindows(MainWindow &main) {
  return static_cast<int>(main.findChild<QMdiArea *>()->subWindowList().size());
}

TEST_F(WindowTest, MenusOfferFileSetupAndAbout) {
  EXPECT_EQ(main->objectName(), "MDIForm1");
  EXPECT_EQ(main->windowTitle(), "Orvandel Lumicomb");
  QStringList menus;
  for (QAction *action : main->menuBar()->actions())
    menus.append(action->text());
  EXPECT_EQ(menus, (QStringList{"&File", "&Setup", "&About"}));
  EXPECT_EQ(main->findChild<QAction *>("CmdFileOpenFreeImage")->text(), "Open image(s)");
  EXPECT_EQ(main->findChild<QAction *>("CmdFileExit")->text(), "&Exit");
  EXPECT_EQ(main->findChild<QAction *>("CmdSetupSetup")->text(), "&Setup");
  EXPECT_EQ(main->findChild<QAction *>("CmdAboutAbout")->text(), "&About");
  EXPECT_EQ(openSubWindows(*main), 0) << "no child window before the user opens images";
}

TEST_F(WindowTest, OpenImagesCancelledStillOpensTheImageWindowAndRefreshesIt) {
  test::whenModalOpens([](QWidget *dialog) { clickIn(dialog, "CmdCancel"); });
  main->openImages();
  ASSERT_NE(main->openImageWindow(), nullptr);
  EXPECT_EQ(control<QListWidget>("ImageList1")->count(), 0);

  ImageWindow *window = main->openImageWindow();
  addStack(2, 30, 20, 1);
  test::whenModalOpens([](QWidget *dialog) { clickIn(dialog, "CmdCancel"); });
  main->openImages();
  EXPECT_EQ(main->openImageWindow(), window) << "the open window is kept";
  EXPECT_EQ(control<QListWidget>("ImageList1")->count(), 2);
}

TEST_F(WindowTest, ClosingTheImageWindowReleasesTheBitmapsButKeepsTheImages) {
  addStack(2, 30, 20, 2);
  imageWindow()->refreshImageList();
  ASSERT_TRUE(main->imageSet().entry(1).preview);
  click("CmdOK");
  EXPECT_TRUE(test::waitUntil([this] { return main->openImageWindow() == nullptr; }));
  EXPECT_FALSE(main->imageSet().entry(1).preview);

  test::whenModalOpens([](QWidget *dialog) { clickIn(dialog, "CmdCancel"); });
  main->openImages();
  EXPECT_EQ(control<QListWidget>("ImageList1")->count(), 2);
}

TEST_F(WindowTest, ANewPreviewSizeRemakesThePreviewsAndRedrawsImageOne) {
  addStack(3, 800, 600, 3);
  imageWindow()->refreshImageList();
  EXPECT_EQ(control<PictureBox>("PicSmallFrom")->size(), QSize(400, 300));
  main->imageSet().entry(3).preview.reset();
  makePreview(main->imageSet(), 2, {400, 300}, {});

  test::whenModalOpens([](QWidget *dialog) {
    dialog->findChild<QSlider *>("SliderPreviewWidth")->setValue(300);
    clickIn(dialog, "CommandOK");
  });
  main->openSetup();
  EXPECT_EQ(main->settings().previewWidth, 300);
  EXPECT_EQ(control<PictureBox>("PicSmallFrom")->size(), QSize(300, 225));
  EXPECT_FALSE(main->imageSet().entry(2).preview) << "old previews are let go";
}

TEST_F(WindowTest, ANewPreviewSizeReopensAClosedImageWindowWithItsList) {
  addStack(2, 800, 600, 4);
  imageWindow()->refreshImageList();
  click("CmdOK");
  ASSERT_TRUE(test::waitUntil([this] { return main->openImageWindow() == nullptr; }));

  test::whenModalOpens([](QWidget *dialog) {
    dialog->findChild<QSlider *>("SliderPreviewHeight")->setValue(250);
    clickIn(dialog, "CommandOK");
  });
  main->openSetup();
  ASSERT_NE(main->openImageWindow(), nullptr);
  EXPECT_EQ(control<QListWidget>("ImageList1")->count(), 2);
  EXPECT_EQ(control<PictureBox>("PicSmallFrom")->size(), QSize(333, 250));
}

TEST_F(WindowTest, AboutShowsTheRevision) {
  QString revision;
  test::whenModalOpens([&](QWidget *dialog) {
    revision = dialog->findChild<QLabel *>("LabelRevision")->text();
    clickIn(dialog, "Command1");
  });
  main->openAbout();
  EXPECT_EQ(revision, "Revision 1.0.2");
}

TEST_F(WindowTest, AMaximisedMainWindowMaximisesTheImageWindowAndGivesItBackItsSize) {
  QWidget *subWindow = imageWindow()->parentWidget();
  const QSize before = subWindow->size();
  main->showMaximized();
  EXPECT_TRUE(test::waitUntil([&] { return subWindow->isMaximized(); }));
  main->showNormal();
  EXPECT_TRUE(test::waitUntil([&] { return !subWindow->isMaximized(); }));
  EXPECT_EQ(subWindow->size(), before);
}

TEST_F(WindowTest, ClosingDuringARunStopsItPromptlyAndLetsEverythingGo) {
  addStack(4, 1600, 1200, 5);
  imageWindow()->refreshImageList();
  click("CmdFreeImage");
  ASSERT_TRUE(imageWindow()->isRunning());
  QElapsedTimer clock;
  clock.start();
  main->close();
  EXPECT_LT(clock.elapsed(), 5000);
  EXPECT_EQ(main->openImageWindow(), nullptr);
  for (int i = 1; i <= main->imageSet().sourceCount(); ++i) {
    EXPECT_FALSE(main->imageSet().entry(i).fullSize) << i;
    EXPECT_FALSE(main->imageSet().entry(i).preview) << i;
  }
}

} // namespace
} // namespace lumicomb::ui
