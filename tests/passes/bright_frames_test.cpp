// Leaving out frames a passing light made far brighter than the night.
#include "passes/run_blend_fixture.h"

namespace lumicomb {
namespace {

TEST_F(RunBlendTest, FramesFarBrighterThanTheNightAreLeftOutButNeverImageOne) {
  std::vector<Picture> stack;
  for (int k = 0; k < 7; ++k) {
    const auto level = static_cast<uint8_t>(k == 0 || k == 4 ? 90 : 28 + k % 3);
    stack.push_back(test::filledPicture(16, 12, {level, level, level}));
  }
  stack[2].at(3, 3) = {250, 250, 250}; // a star is no headlight
  addStack(stack);
  request.rule = 2;
  request.skipBrightFrames = true;
  run(RunMode::FullSize);
  std::vector<Picture> kept = stack;
  kept.erase(kept.begin() + 4);
  EXPECT_EQ(result(), test::referenceBrightest(kept));
  EXPECT_EQ(outcome.sources, 6);
  EXPECT_EQ(observer.warnings, std::vector<std::string>{"skipped '" + dir.file("frame_5.png") +
                                                        "': 3.0x brighter than the night"});

  // A night of the same brightness throughout loses nothing.
  set = ImageSet();
  observer = test::RecordingObserver();
  addStack(std::vector<Picture>(4, test::filledPicture(8, 8, {30, 30, 30})));
  run(RunMode::Previews);
  EXPECT_EQ(outcome.sources, 4);
  EXPECT_TRUE(observer.warnings.empty());
}

} // namespace
} // namespace lumicomb
