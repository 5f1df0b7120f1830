#include "support/reference_blends.h"
#include "ui/map_key_view.h"
#include "ui/picture_box.h"
#include "ui/picture_view.h"
#include "ui/viewer_window.h"
#include "ui/window_fixture.h"
#include "ui/window_places.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <filesystem>
#include <tuple>

namespace lumicomb::ui {
namespace {

/// "R 1 G 2 B 3" of a test picture's pixel (x, y) from the top-left corner.
QString samplesOf(const test::Picture &picture, QPoint pixel) {
  const test::Rgb rgb = picture.at(pixel.x(), picture.height - 1 - pixel.y());
  return QStringLiteral("R %1 G %2 B %3").arg(rgb.red).arg(rgb.green).arg(rgb.blue);
}

class ViewerTest : public WindowTest {
protected:
  ViewerWindow *viewer() { return imageWindow()->viewer(); }
  PictureView *view() { return test::findControl<PictureView>(viewer(), "PicViewer"); }
  QString status() { return test::findControl<QLabel>(viewer(), "LabelStatus")->text(); }
  void clickInViewer(const char *name) {
    QTest::mouseClick(test::findControl<QAbstractButton>(viewer(), name), Qt::LeftButton);
  }
};

TEST_F(ViewerTest, ShowsThePreviewThenTheFullSizeBlendAndComparesItWithImageOne) {
  const std::vector<test::Picture> stack = addStack(3, 600, 400, 41);
  imageWindow()->refreshImageList();
  click("CmdFreeImage");
  waitForRun();
  click("CmdView");
  ASSERT_NE(viewer(), nullptr);
  EXPECT_TRUE(viewer()->isVisible());
  EXPECT_EQ(view()->picture()->size(), QSize(400, 267));
  EXPECT_TRUE(status().startsWith("Preview 400x267, 8 bits")) << status().toStdString();

  clickInViewer("CmdBlendFullSize");
  waitForRun();
  EXPECT_EQ(view()->picture()->size(), QSize(600, 400));
  EXPECT_TRUE(status().startsWith("Full size 600x400, 8 bits")) << status().toStdString();
  clickInViewer("CmdBlendFullSize");
  EXPECT_FALSE(imageWindow()->isRunning()) << "the result of this blend is kept already";
  const QPoint pixel(5, 7);
  const test::Picture average = test::referenceSumDivide(stack, 3);
  EXPECT_EQ(view()->picture()->samplesAt(pixel), samplesOf(average, pixel));

  const auto showsImageOne = [&](bool shown) {
    EXPECT_EQ(viewer()->showsBefore(), shown);
    EXPECT_EQ(view()->picture()->samplesAt(pixel), samplesOf(shown ? stack[0] : average, pixel));
    EXPECT_EQ(status().startsWith("Image 1 600x400"), shown) << status().toStdString();
  };
  view()->setZoom(4, view()->centre());
  const QPointF place = view()->viewPoint(pixel);
  QTest::keyPress(viewer(), Qt::Key_B);
  showsImageOne(true);
  EXPECT_EQ(view()->zoom(), 4) << "in the same place and zoom";
  EXPECT_EQ(view()->viewPoint(pixel), place);
  QTest::keyRelease(viewer(), Qt::Key_B);
  showsImageOne(false);
  clickInViewer("CheckBefore");
  showsImageOne(true);
  clickInViewer("CheckBefore");
  showsImageOne(false);
}

TEST_F(ViewerTest, ShowsTheRunsMapOverTheResultInFalseColourWithItsKeyInTheSamePlace) {
  const std::vector<test::Picture> stack = addStack(3, 120, 80, 44);
  imageWindow()->refreshImageList();
  click("CmdFreeImage"); // "Average", which makes no map
  waitForRun();
  click("CmdView");
  auto *toggle = test::findControl<QCheckBox>(viewer(), "CheckShowMap");
  auto *key = test::findControl<MapKeyView>(viewer(), "MapKey");
  EXPECT_FALSE(toggle->isEnabled());
  control<QButtonGroup>("BlendOption")->button(2)->setChecked(true); // "Brightest"
  click("CmdFreeImage");
  waitForRun();
  EXPECT_TRUE(toggle->isEnabled());
  QApplication::processEvents(); // the progress bar's room given back to the picture
  view()->setZoom(4, view()->centre());
  const QPoint pixel(9, 5);
  const QPointF place = view()->viewPoint(pixel);
  QTest::keyClick(viewer(), Qt::Key_M);
  EXPECT_TRUE(viewer()->showsMap());
  EXPECT_FALSE(key->key().colours.empty());
  EXPECT_EQ(key->key().title, "Image");
  EXPECT_EQ(view()->zoom(), 4) << "in the same place and zoom";
  EXPECT_EQ(view()->viewPoint(pixel), place);
  QTest::keyPress(viewer(), Qt::Key_B);
  EXPECT_FALSE(viewer()->showsMap()) << "image 1 is shown bare";
  QTest::keyRelease(viewer(), Qt::Key_B);
  EXPECT_TRUE(viewer()->showsMap());

  // At full size the map is the kept result's own: the frame whose green each pixel took, in its
  // colour.
  clickInViewer("CmdBlendFullSize");
  waitForRun();
  ASSERT_TRUE(viewer()->showsMap());
  view()->setZoom(4, view()->centre());
  const QPointF inPixel = view()->viewPoint(pixel) + QPointF(2, 2);
  QMouseEvent move(QEvent::MouseMove, inPixel, view()->mapToGlobal(inPixel), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(view(), &move);
  const QStringList words = status().split("   ").last().split(' ');
  ASSERT_EQ(words.size(), 2) << status().toStdString();
  EXPECT_EQ(words[0], "Image");
  const int frame = words[1].toInt();
  ASSERT_TRUE(frame >= 1 && frame <= 3) << status().toStdString();
  const test::Picture brightest = test::referenceBrightest(stack);
  const auto bottomUp = [&](const test::Picture &picture) {
    return picture.at(pixel.x(), picture.height - 1 - pixel.y());
  };
  EXPECT_EQ(bottomUp(stack[static_cast<size_t>(frame - 1)]).green, bottomUp(brightest).green);
  const auto shownColour = [&] { return view()->grab().toImage().pixelColor(inPixel.toPoint()); };
  const Colour mapColour = key->key().colourOf(frame);
  const test::Rgb under = bottomUp(brightest);
  const QColor shown = shownColour();
  for (const auto &[drawn, map, result] : {std::tuple{shown.red(), mapColour.red, under.red},
                                           std::tuple{shown.green(), mapColour.green, under.green},
                                           std::tuple{shown.blue(), mapColour.blue, under.blue}})
    EXPECT_NEAR(drawn, 0.7 * map + 0.3 * result, 3);
  QTest::keyClick(viewer(), Qt::Key_M);
  EXPECT_TRUE(key->key().colours.empty());
  EXPECT_EQ(shownColour(), QColor(under.red, under.green, under.blue));
}

TEST_F(ViewerTest, TheResultBoxsShowMapFollowsAFullSizeBlendOfAnotherRule) {
  addStack(3, 90, 60, 45);
  imageWindow()->refreshImageList();
  auto *showMap = control<QCheckBox>("CheckShowMap");
  auto *result = control<PictureBox>("PicSmallTo");
  control<QButtonGroup>("BlendOption")->button(2)->setChecked(true); // "Brightest"
  click("CmdFreeImage");
  waitForRun();
  showMap->setChecked(true);
  const QImage previewMap = result->picture();
  showMap->setChecked(false);
  control<QButtonGroup>("BlendOption")->button(3)->setChecked(true); // "Darkest", not previewed
  imageWindow()->runFullSize();
  waitForRun();
  const QImage fullSize = result->picture();
  ASSERT_TRUE(showMap->isEnabled());
  showMap->setChecked(true);
  EXPECT_EQ(result->picture().size(), fullSize.size());
  EXPECT_NE(result->picture(), previewMap) << "the map of the full-size blend, not the preview's";
  showMap->setChecked(false);
  EXPECT_EQ(result->picture(), fullSize) << "the full-size result, not the preview";
}

TEST_F(ViewerTest, CtrlOneAndADoubleClickOnTheResultOpenTheViewer) {
  addStack(2, 60, 40, 42);
  imageWindow()->refreshImageList();
  click("CmdFreeImage");
  waitForRun();
  QTest::keyClick(imageWindow(), Qt::Key_1, Qt::ControlModifier);
  ASSERT_NE(viewer(), nullptr);
  EXPECT_TRUE(viewer()->isVisible());
  EXPECT_EQ(view()->zoom(), 1);
  viewer()->close();
  QTest::mouseDClick(control<PictureBox>("PicSmallTo"), Qt::LeftButton);
  EXPECT_TRUE(viewer()->isVisible());
}

TEST_F(ViewerTest, ASaveAfterAFullSizeBlendWritesItWithoutBlendingAgainUntilSomethingChanges) {
  const std::vector<test::Picture> stack = addStack(3, 60, 40, 43);
  imageWindow()->refreshImageList();
  imageWindow()->runFullSize();
  waitForRun();
  // Files that cannot be blended, but that look to the kept result as they did.
  for (int i = 1; i <= 3; ++i) {
    const std::filesystem::path file = dir.file("frame_" + std::to_string(i) + ".png");
    const auto changed = std::filesystem::last_write_time(file);
    test::writeWholeFile(file, std::string(std::filesystem::file_size(file), 'x'));
    std::filesystem::last_write_time(file, changed);
  }
  saveDialog.answer = SaveChoice{dir.file("kept.png"), 4};
  click("CommandSaveFreeimage");
  waitForRun();
  EXPECT_EQ(test::readPicture(dir.file("kept.png")), test::referenceSumDivide(stack, 3));

  test::writeStack(dir, stack);
  control<QButtonGroup>("BlendOption")->button(2)->setChecked(true); // "Brightest"
  saveDialog.answer = SaveChoice{dir.file("brightest.png"), 4};
  click("CommandSaveFreeimage");
  waitForRun();
  EXPECT_EQ(test::readPicture(dir.file("brightest.png")), test::referenceBrightest(stack));
}

TEST_F(ViewerTest, AFullSizeResultThatCouldNotBeKeptIsRefusedWithTheEstimate) {
  imageWindow(); // open before the images come, so that nothing tries to preview them
  for (const char *name : {"huge_1.bmp", "huge_2.bmp"})
    test::writeWholeFile(dir.file(name), test::bmpClaiming(1000000, 1000000));
  main->imageSet().append(dir.path().string(), {"huge_1.bmp", "huge_2.bmp"});
  test::MessageCollector messages;
  imageWindow()->runFullSize();
  waitForRun();
  ASSERT_TRUE(test::waitUntil([&] { return !messages.texts().isEmpty(); }));
  const QString text = messages.texts().join("; ");
  EXPECT_TRUE(text.startsWith("A full-size result of 1000000x1000000 pixels at 8 bits needs "))
      << text.toStdString();
  EXPECT_TRUE(text.contains("; the memory budget is ")) << text.toStdString();
}

TEST_F(ViewerTest, TheMainWindowAndTheViewerKeepTheirPlacesBetweenRuns) {
  const QRect mainPlace(30, 40, 700, 520), viewerPlace(60, 50, 640, 480);
  main->setGeometry(mainPlace);
  click("CmdView");
  viewer()->setGeometry(viewerPlace);
  main->close(); // closes the viewer with it
  main = std::make_unique<MainWindow>(store);
  EXPECT_EQ(main->geometry(), mainPlace);
  click("CmdView");
  EXPECT_EQ(viewer()->geometry(), viewerPlace);
}

TEST_F(WindowTest, WindowPlacesComeBackAndBrokenOrOffScreenOnesFallBack) {
  QWidget placed;
  placed.setGeometry(40, 60, 500, 300);
  WindowPlaces places(store);
  places.save(&placed, "Kept");
  QWidget offScreen;
  offScreen.setGeometry(40000, 30000, 500, 300);
  places.save(&offScreen, "OffScreen");
  store.setValue("NotBase64", "#!?");
  store.setValue("NotAGeometry", QByteArray("not a geometry").toBase64().toStdString());
  struct Case {
    const char *key;
    bool taken;
  };
  const QRect first(10, 20, 300, 200);
  for (const Case c : {Case{"Kept", true},
                       {"Missing", false},
                       {"NotBase64", false},
                       {"NotAGeometry", false},
                       {"OffScreen", false}}) {
    QWidget window;
    window.setGeometry(first);
    EXPECT_EQ(places.restore(&window, c.key), c.taken) << c.key;
    EXPECT_EQ(window.geometry(), c.taken ? placed.geometry() : first) << c.key;
  }
}

} // namespace
} // namespace lumicomb::ui
