// Focus stacking and exposure fusion in the window: their buttons, and "Depth map" beside
// "Sharpest".
#include "support/focus_stacks.h"
#include "ui/picture_box.h"
#include "ui/window_fixture.h"

#include <QButtonGroup>
#include <QCheckBox>

namespace lumicomb::ui {
namespace {

TEST_F(WindowTest, SharpestOffersDepthMapWhichReachesTheBlend) {
  auto *rules = control<QButtonGroup>("BlendOption");
  EXPECT_EQ(rules->button(9)->text(), "Sharpest");
  EXPECT_EQ(rules->button(11)->text(), "Exposure fusion");
  auto *depthMap = control<QCheckBox>("CheckDepthMap");
  EXPECT_EQ(depthMap->text(), "Depth map");
  EXPECT_FALSE(depthMap->isEnabled());
  rules->button(9)->click();
  EXPECT_TRUE(depthMap->isEnabled());

  const std::vector<test::Picture> stack =
      test::focusStack(test::landscapeScene(240, 160), {4, 8, 0, 1});
  main->imageSet().append(dir.path().string(), test::writeStack(dir, stack));
  imageWindow()->refreshImageList();
  std::vector<QImage> previews;
  for (const bool byDepth : {false, true}) {
    depthMap->setChecked(byDepth);
    click("CmdFreeImage");
    waitForRun();
    previews.push_back(control<PictureBox>("PicSmallTo")->picture());
    EXPECT_EQ(previews.back().size(), QSize(240, 160));
  }
  EXPECT_NE(previews[0], previews[1]);
  rules->button(11)->click();
  EXPECT_FALSE(depthMap->isEnabled());
}

} // namespace
} // namespace lumicomb::ui
