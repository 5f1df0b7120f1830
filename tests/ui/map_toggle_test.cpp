// "Show map" and the kappa boxes of the image window.
#include "app/map_colours.h"
#include "support/rejection_reference.h"
#include "ui/map_key_view.h"
#include "ui/picture_box.h"
#include "ui/window_fixture.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>

namespace lumicomb::ui {
namespace {

using test::WidePicture;

/// The map a run of the rejecting mean makes of the previews, drawn as the window draws it.
QImage expectedMap(const ImageSet &set, int sources) {
  std::vector<WidePicture> previews;
  for (int i = 1; i <= sources; ++i)
    previews.push_back(test::widened(test::toPicture(set.entry(i).preview.get()), 1));
  const std::vector<uint16_t> counts = test::referenceRejectingMean(previews, true, 4, 3, 255).map;
  ResultMap map{MapKind::RejectedCounts, allocateGrey16(previews[0].width, previews[0].height),
                sources};
  for (int64_t y = 0; y < previews[0].height; ++y)
    std::copy_n(counts.data() + y * previews[0].width, previews[0].width,
                reinterpret_cast<uint16_t *>(scanLine(map.picture.get(), y)));
  return toImage(falseColour(map, mapKey(map)).get());
}

TEST_F(WindowTest, ShowMapSwapsTheResultForItsMapWithAKey) {
  std::vector<test::Picture> stack;
  for (const WidePicture &samples : test::outlierStack(7, 500, 260, 255, 3)) {
    stack.push_back(test::filledPicture(500, 260, {}));
    for (size_t p = 0; p < stack.back().pixels.size(); ++p)
      stack.back().pixels[p] = {static_cast<uint8_t>(samples.samples[3 * p]),
                                static_cast<uint8_t>(samples.samples[3 * p + 1]),
                                static_cast<uint8_t>(samples.samples[3 * p + 2])};
  }
  main->imageSet().append(dir.path().string(), test::writeStack(dir, stack));
  imageWindow()->refreshImageList();
  auto *showMap = control<QCheckBox>("CheckShowMap");
  auto *key = control<MapKeyView>("MapKey");
  auto *result = control<PictureBox>("PicSmallTo");
  EXPECT_FALSE(showMap->isEnabled()) << "no map before a run";

  control<QButtonGroup>("BlendOption")->button(13)->setChecked(true);
  click("CmdFreeImage");
  waitForRun();
  ASSERT_TRUE(showMap->isEnabled());
  const QImage blended = result->picture();
  showMap->setChecked(true);
  EXPECT_EQ(result->picture(), expectedMap(main->imageSet(), 7));
  EXPECT_TRUE(key->isVisible());
  EXPECT_EQ(key->key().title, "Rejected samples");
  showMap->setChecked(false);
  EXPECT_EQ(result->picture(), blended);
  EXPECT_FALSE(key->isVisible());

  // Ticked, it shows the next run's map at once; a rule without a map shows its result.
  showMap->setChecked(true);
  click("CmdFreeImage");
  waitForRun();
  EXPECT_EQ(result->picture(), expectedMap(main->imageSet(), 7));
  control<QButtonGroup>("BlendOption")->button(0)->setChecked(true);
  click("CmdFreeImage");
  waitForRun();
  EXPECT_FALSE(showMap->isEnabled());
  EXPECT_FALSE(key->isVisible());
  EXPECT_NE(result->picture(), blended);
}

TEST_F(WindowTest, TheKappaBoxesAreReadForBothRejectingMeans) {
  addStack(5, 40, 30, 5);
  imageWindow()->refreshImageList();
  EXPECT_EQ(control<QLineEdit>("TextKappaLow")->text(), "4");
  EXPECT_EQ(control<QLineEdit>("TextKappaHigh")->text(), "3");
  control<QLineEdit>("TextKappaLow")->setText("0");
  for (int rule : {12, 13}) {
    control<QButtonGroup>("BlendOption")->button(rule)->setChecked(true);
    test::MessageCollector messages;
    click("CmdFreeImage");
    waitForRun();
    EXPECT_TRUE(test::waitUntil([&] { return !messages.texts().isEmpty(); }));
    EXPECT_EQ(messages.texts(), QStringList{"Low kappa \"0\" is not a positive number"});
  }
}

} // namespace
} // namespace lumicomb::ui
