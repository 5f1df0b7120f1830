#include "ui/picture_box.h"
#include "ui/picture_column.h"
#include "ui/window_fixture.h"

#include <QListWidget>
#include <QMdiSubWindow>

namespace lumicomb::ui {
namespace {

TEST(ColumnLayoutTest, BoxesKeepThePreviewsSizeUntilTheUserGrowsTheWindow) {
  const ColumnLayout layout(344, 8, 51);
  const QSize made = layout.neededFor({400, 267});
  EXPECT_EQ(made, QSize(752, 609));
  struct Case {
    QSize picture;
    QSize window;
    QSize box;
  };
  const Case cases[] = {
      {{400, 267}, made, {400, 267}},
      {{400, 267}, {500, 400}, {400, 267}},   // smaller than the program made it
      {{300, 225}, made, {300, 225}},         // a smaller preview leaves the window as it was
      {{400, 267}, {1400, 609}, {400, 267}},  // wider only: the height holds the box
      {{400, 267}, {1400, 900}, {617, 412}},  // grown both ways: the room's height decides
      {{225, 300}, {1400, 900}, {309, 412}},  // a portrait in the same room
      {{400, 100}, {1400, 900}, {1048, 262}}, // a panorama: the room's width decides
  };
  for (const Case &c : cases) {
    const ColumnPlaces places = layout.placesFor(c.picture, c.window, made);
    EXPECT_EQ(places.source, QRect(QPoint(344, 8), c.box)) << c.window.width();
    EXPECT_EQ(places.result, QRect(QPoint(344, 16 + c.box.height()), c.box));
    EXPECT_EQ(places.rowTop, 24 + 2 * c.box.height());
  }
}

/// Red, green, blue and white quarters, from the top left, in the library's row order.
test::Picture quarters(int64_t width, int64_t height) {
  test::Picture picture = test::filledPicture(width, height, {});
  for (int64_t y = 0; y < height; ++y)
    for (int64_t x = 0; x < width; ++x) {
      const bool top = y >= height / 2, left = x < width / 2;
      picture.at(x, y) = top ? (left ? test::Rgb{255, 0, 0} : test::Rgb{0, 255, 0})
                             : (left ? test::Rgb{0, 0, 255} : test::Rgb{255, 255, 255});
    }
  return picture;
}

TEST_F(WindowTest, GrownBoxesTakeEachPicturesShapeWhateverCameBefore) {
  test::writePicture(quarters(800, 600), dir.file("landscape.png"), FIF_PNG);
  test::writePicture(quarters(600, 800), dir.file("portrait.png"), FIF_PNG);
  main->imageSet().append(dir.path().string(), {"landscape.png", "portrait.png"});
  imageWindow()->refreshImageList();
  auto *subWindow = qobject_cast<QMdiSubWindow *>(imageWindow()->parentWidget());
  subWindow->resize(1200, 1000);
  auto *list = control<QListWidget>("ImageList1");
  auto *box = control<PictureBox>("PicSmallFrom");
  for (const int row : {0, 1, 0, 1}) {
    list->setCurrentRow(row);
    const QSize shape = row == 0 ? QSize(4, 3) : QSize(3, 4);
    EXPECT_EQ(box->size(), fittedSize(shape, box->size())) << "row " << row;
    EXPECT_GT(box->height(), 300) << "row " << row;
    EXPECT_EQ(box->pictureRect(), box->rect());
    EXPECT_EQ(control<PictureBox>("PicSmallTo")->size(), box->size());
    const QImage shown = box->grab().toImage();
    const int right = shown.width() - 3, bottom = shown.height() - 3;
    EXPECT_EQ(shown.pixelColor(2, 2), QColor(Qt::red)) << "row " << row;
    EXPECT_EQ(shown.pixelColor(right, 2), QColor(Qt::green)) << "row " << row;
    EXPECT_EQ(shown.pixelColor(2, bottom), QColor(Qt::blue)) << "row " << row;
    EXPECT_EQ(shown.pixelColor(right, bottom), QColor(Qt::white)) << "row " << row;
  }
}

TEST(PictureBoxTest, APictureOfTheBoxsDeviceSizeIsDrawnPixelForPixel) {
  std::mt19937 random(3);
  const QImage picture = toImage(test::toBitmap(test::randomPicture(200, 100, random)).get());
  PictureBox box;
  box.resize(100, 50);
  box.setPicture(picture);
  for (const qreal ratio : {2.0, 1.0}) {
    QImage drawn(picture.size() * ratio / 2, QImage::Format_BGR888);
    drawn.setDevicePixelRatio(ratio);
    box.render(&drawn);
    drawn.setDevicePixelRatio(1);
    if (ratio == 2)
      EXPECT_EQ(drawn, picture);
    else
      EXPECT_EQ(drawn, picture.scaled(100, 50, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  }
}

} // namespace
} // namespace lumicomb::ui
