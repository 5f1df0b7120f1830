#include "support/test_images.h"
#include "ui/picture_view.h"

#include <QTest>

#include <gtest/gtest.h>

namespace lumicomb::ui {
namespace {

TEST(ShownPictureTest, SamplesUnderThePointerAreTheCroppedPicturesAtItsDepth) {
  // 4 x 3, pixel (x, y) from the top-left corner holding red 10x + y, green 2, blue 3: at 16 bits
  // times 257.
  const auto made = [](SampleDepth depth) {
    std::shared_ptr<FIBITMAP> bitmap(allocateRgb(4, 3, depth).release(), BitmapUnloader());
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) {
        uint8_t *row = scanLine(bitmap.get(), 2 - y);
        const int red = 10 * x + y;
        if (depth == SampleDepth::Sixteen) {
          auto *samples = reinterpret_cast<uint16_t *>(row) + 3 * x;
          samples[0] = static_cast<uint16_t>(257 * red), samples[1] = 514, samples[2] = 771;
        } else {
          row[3 * x] = 3, row[3 * x + 1] = 2, row[3 * x + 2] = static_cast<uint8_t>(red);
        }
      }
    return bitmap;
  };
  struct Case {
    SampleDepth depth;
    QRect crop;
    QString samples; ///< at (1, 1) of what is shown
  };
  const Case cases[] = {{SampleDepth::Eight, {}, "R 11 G 2 B 3"},
                        {SampleDepth::Eight, {2, 1, 2, 2}, "R 32 G 2 B 3"},
                        {SampleDepth::Sixteen, {2, 1, 2, 2}, "R 8224 G 514 B 771"}};
  for (const Case &c : cases) {
    const ShownPicture shown(made(c.depth), c.crop);
    EXPECT_EQ(shown.size(), c.crop.isEmpty() ? QSize(4, 3) : c.crop.size());
    EXPECT_EQ(shown.samplesAt({1, 1}), c.samples);
    EXPECT_EQ(shown.level(0).pixelColor(1, 1), QColor(c.crop.isEmpty() ? 11 : 32, 2, 3));
  }
}

TEST(ZoomStepTest, ZoomStepsGoThroughWholeMagnificationsAndStopAtTheEnds) {
  struct Case {
    double from;
    bool in;
    double to;
  };
  const Case cases[] = {{0.37, true, 0.5}, {0.5, true, 2.0 / 3}, {2.0 / 3, true, 1},
                        {1, true, 2},      {1, false, 2.0 / 3},  {2.5, true, 3},
                        {2.5, false, 2},   {32, true, 32},       {1.0 / 32, false, 1.0 / 32}};
  for (const Case &c : cases)
    EXPECT_DOUBLE_EQ(nextZoomStep(c.from, c.in), c.to) << c.from << (c.in ? " in" : " out");
}

/// A 100 x 50 grey picture with one red pixel at (37, 11) from the top-left corner, in a view
/// of 300 x 200.
class PictureViewTest : public ::testing::Test {
protected:
  static constexpr QPoint kRed{37, 11};
  PictureView view;

  PictureViewTest() {
    test::Picture picture = test::filledPicture(100, 50, {90, 90, 90});
    picture.at(kRed.x(), 49 - kRed.y()) = {255, 0, 0};
    view.resize(300, 200);
    view.setPicture(std::make_shared<const ShownPicture>(
        std::shared_ptr<FIBITMAP>(test::toBitmap(picture).release(), BitmapUnloader())));
  }

  QColor shownAt(QPoint point) { return view.grab().toImage().pixelColor(point); }
};

TEST_F(PictureViewTest, APixelOfThePictureIsWhereTheZoomPutsIt) {
  EXPECT_TRUE(view.isFitted());
  EXPECT_DOUBLE_EQ(view.zoom(), 3);
  struct Case {
    double zoom;
    QRect red; ///< the screen pixels the red pixel covers
  };
  // At 100% the picture is centred; 400% about the centre puts the middle of the picture there.
  const Case cases[] = {{1, {137, 86, 1, 1}}, {4, {98, 44, 4, 4}}};
  for (const Case &c : cases) {
    view.setZoom(c.zoom, view.centre());
    EXPECT_EQ(view.viewPoint(kRed), QPointF(c.red.topLeft())) << c.zoom;
    EXPECT_EQ(view.pixelAt(c.red.center()), kRed) << c.zoom;
    EXPECT_EQ(shownAt(c.red.topLeft()), QColor(Qt::red)) << c.zoom;
    EXPECT_EQ(shownAt(c.red.bottomRight()), QColor(Qt::red)) << c.zoom;
    EXPECT_EQ(shownAt(c.red.topLeft() - QPoint(1, 0)), QColor(90, 90, 90)) << c.zoom;
    EXPECT_EQ(shownAt(c.red.bottomRight() + QPoint(0, 1)), QColor(90, 90, 90)) << c.zoom;
  }
}

TEST_F(PictureViewTest, DraggingPansNoFurtherThanThePicturesEdges) {
  view.setZoom(4, view.centre()); // 400 x 200: wider than the view, as high
  const auto drag = [this](QPoint by) {
    const QPoint from(150, 100);
    QTest::mousePress(&view, Qt::LeftButton, {}, from);
    QTest::mouseMove(&view, from + by);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, from + by);
  };
  drag({-1000, -1000});
  EXPECT_EQ(view.viewPoint({100, 50}), QPointF(300, 200)) << "the right edge stops at the view's";
  drag({30, 0});
  EXPECT_EQ(view.viewPoint({100, 50}), QPointF(330, 200));
  drag({1000, 1000});
  EXPECT_EQ(view.viewPoint({0, 0}), QPointF(0, 0)) << "the left edge stops at the view's";
  view.setZoom(1, view.centre());
  drag({50, 50});
  EXPECT_EQ(view.viewPoint({0, 0}), QPointF(100, 75)) << "a smaller picture stays centred";
}

TEST_F(PictureViewTest, TheWheelZoomsAroundThePointer) {
  view.setZoom(4, view.centre()); // larger than the view from here on, so nothing centres it
  const QPointF pointer(140, 90);
  const std::optional<QPoint> under = view.pixelAt(pointer);
  for (const auto &[turn, zoom] :
       std::vector<std::pair<int, double>>{{120, 6}, {240, 12}, {-120, 8}}) {
    QWheelEvent wheel(pointer, view.mapToGlobal(pointer), {}, {0, turn}, Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &wheel);
    EXPECT_DOUBLE_EQ(view.zoom(), zoom);
    EXPECT_EQ(view.pixelAt(pointer), under) << zoom;
  }
}

} // namespace
} // namespace lumicomb::ui
