// Darks and hot pixels: what every source goes through before the rule sees it.
#include "passes/hot_pixels.h"
#include "passes/run_blend_fixture.h"
#include "support/rule_runner.h"
#include "support/wide_files.h"

namespace lumicomb {
namespace {

/// Each channel of every light less the master's, clamped at 0.
std::vector<Picture> lessDark(std::vector<Picture> lights, const Picture &master) {
  for (Picture &light : lights)
    for (size_t p = 0; p < light.pixels.size(); ++p) {
      test::Rgb &pixel = light.pixels[p];
      const test::Rgb &dark = master.pixels[p];
      pixel = {static_cast<uint8_t>(std::max(0, pixel.red - dark.red)),
               static_cast<uint8_t>(std::max(0, pixel.green - dark.green)),
               static_cast<uint8_t>(std::max(0, pixel.blue - dark.blue))};
    }
  return lights;
}

Picture masterOf(const std::vector<Picture> &darks) {
  return darks.size() >= 3 ? test::referenceMedian(darks)
                           : test::referenceSumDivide(darks, static_cast<int64_t>(darks.size()));
}

/// A dim, slightly textured frame with hot pixels, and, if asked, one bright pixel of a star at
/// a place of its own.
Picture nightFrame(const std::vector<PixelPlace> &hot, std::optional<PixelPlace> star = {}) {
  Picture frame = test::filledPicture(24, 16, {});
  for (int64_t y = 0; y < frame.height; ++y)
    for (int64_t x = 0; x < frame.width; ++x) {
      const auto level = static_cast<uint8_t>(30 + (x * 7 + y * 3) % 5);
      frame.at(x, y) = {level, static_cast<uint8_t>(level + 2), level};
    }
  for (const PixelPlace &place : hot)
    frame.at(place.x, place.y) = {200, 180, 220};
  if (star)
    frame.at(star->x, star->y) = {230, 230, 230};
  return frame;
}

/// The mean of the pixel's neighbours in the frame that are not listed, channel by channel.
test::Rgb neighbourMean(const Picture &frame, int64_t x, int64_t y,
                        const std::vector<PixelPlace> &listed) {
  int64_t red = 0, green = 0, blue = 0, count = 0;
  for (int64_t dy = -1; dy <= 1; ++dy)
    for (int64_t dx = -1; dx <= 1; ++dx) {
      const PixelPlace place{x + dx, y + dy};
      if ((dx == 0 && dy == 0) || place.x < 0 || place.y < 0 || place.x >= frame.width ||
          place.y >= frame.height || std::find(listed.begin(), listed.end(), place) != listed.end())
        continue;
      const test::Rgb &pixel = frame.at(place.x, place.y);
      red += pixel.red;
      green += pixel.green;
      blue += pixel.blue;
      ++count;
    }
  return {static_cast<uint8_t>(test::dividedHalfEven(red, count)),
          static_cast<uint8_t>(test::dividedHalfEven(green, count)),
          static_cast<uint8_t>(test::dividedHalfEven(blue, count))};
}

class SourceStepsTest : public RunBlendTest {
protected:
  void addDarks(const std::vector<Picture> &darks) {
    std::vector<std::string> names;
    for (size_t j = 0; j < darks.size(); ++j) {
      names.push_back("dark_" + std::to_string(j + 1) + ".png");
      test::writePicture(darks[j], dir.file(names.back()), FIF_PNG);
    }
    set.appendDarks(dir.path().string(), names);
  }
};

TEST_F(SourceStepsTest, TheMasterDarkIsSubtractedFromEveryLightClampedAtZero) {
  for (int darkCount : {1, 2, 3, 4})
    for (int threads : {1, 3}) {
      SCOPED_TRACE(::testing::Message() << darkCount << " darks, " << threads << " threads");
      set = ImageSet();
      setWorkerThreads(threads);
      const std::vector<Picture> lights = test::randomStack(3, 17, 9, 60u + darkCount);
      std::vector<Picture> darks = test::randomStack(darkCount, 17, 9, 80u + darkCount);
      for (Picture &dark : darks)
        for (test::Rgb &pixel : dark.pixels)
          pixel = {static_cast<uint8_t>(pixel.red / 2), static_cast<uint8_t>(pixel.green / 3),
                   pixel.blue};
      addStack(lights);
      addDarks(darks);
      const std::vector<Picture> corrected = lessDark(lights, masterOf(darks));
      for (const int rule : {0, 2, 4}) {
        request.rule = rule;
        run(RunMode::FullSize);
        EXPECT_EQ(result(), rule == 0   ? test::referenceSumDivide(corrected, 3)
                            : rule == 2 ? test::referenceBrightest(corrected)
                                        : test::referenceMedian(corrected));
        EXPECT_FALSE(anySourceHoldsAFullBitmap());
      }
    }
}

TEST_F(SourceStepsTest, SixteenBitLightsLoseTheirSixteenBitMaster) {
  const std::vector<test::WidePicture> lights = test::randomWideStack(2, 11, 7, 5);
  const std::vector<test::WidePicture> darks = test::randomWideStack(3, 11, 7, 6);
  set.append(dir.path().string(), test::writeWideStack(dir, lights));
  test::TempDir darkDir;
  set.appendDarks(darkDir.path().string(), test::writeWideStack(darkDir, darks));
  std::vector<test::WidePicture> corrected = lights;
  const test::WidePicture master = test::wide::referenceMedian(darks);
  for (test::WidePicture &light : corrected)
    for (size_t k = 0; k < light.samples.size(); ++k)
      light.samples[k] = static_cast<uint16_t>(std::max(0, light.samples[k] - master.samples[k]));
  request.rule = 0;
  request.depth = SampleDepth::Sixteen;
  request.keepMasterDark = true;
  run(RunMode::FullSize);
  EXPECT_EQ(test::toWidePicture(outcome.picture.get()),
            test::wide::referenceSumDivide(corrected, 2));
  EXPECT_EQ(test::toWidePicture(outcome.masterDark.get()), master);
}

TEST_F(SourceStepsTest, ADarkOfAnotherSizeIsRefusedNamingItBeforeAnyLightIsRead) {
  addStack(test::randomStack(2, 10, 8, 1));
  addDarks({test::filledPicture(10, 8, {}), test::filledPicture(8, 10, {})});
  std::string message;
  EXPECT_EQ(failureKind(RunMode::FullSize, &message), ErrorKind::SizeMismatch);
  EXPECT_EQ(message, "'" + dir.file("dark_2.png") + "' is 8x10 pixels, but '" +
                         dir.file("frame_1.png") + "' is 10x8");
}

TEST(HotPixels, AreSinglePixelsFarAboveEveryNeighbourAndNotStars) {
  const std::vector<PixelPlace> hot = {{0, 0}, {5, 3}, {6, 3}, {23, 15}, {12, 8}};
  Picture frame = nightFrame(hot);
  // A star spreads its light: its neighbours stand more than half as far above the sky.
  for (const auto &[dx, dy, level] :
       {std::tuple{0, 0, 240}, {1, 0, 150}, {-1, 0, 150}, {0, 1, 140}, {0, -1, 140}})
    frame.at(18 + dx, 5 + dy) = {static_cast<uint8_t>(level), static_cast<uint8_t>(level),
                                 static_cast<uint8_t>(level)};
  std::vector<PixelPlace> expected = {{0, 0}, {12, 8}, {23, 15}};
  // Two hot pixels side by side are each other's brightest neighbour: neither stands alone.
  EXPECT_EQ(isolatedPeaks(test::toBitmap(frame).get()), expected);

  const std::vector<PixelPlace> repairs = {{0, 0}, {5, 3}, {6, 3}, {12, 8}};
  Bitmap repaired = test::toBitmap(frame);
  repairHotPixels(repaired.get(), repairs);
  const Picture after = test::toPicture(repaired.get());
  for (const PixelPlace &place : repairs)
    EXPECT_EQ(after.at(place.x, place.y), neighbourMean(frame, place.x, place.y, repairs));
  EXPECT_EQ(after.at(18, 5), frame.at(18, 5));
}

TEST_F(SourceStepsTest, WithoutDarksHotPixelsAreFoundInTheLightsAndAMovingStarIsKept) {
  const std::vector<PixelPlace> hot = {{3, 4}, {20, 11}};
  std::vector<Picture> lights;
  for (int k = 0; k < 6; ++k)
    lights.push_back(nightFrame(hot, PixelPlace{4 + 3 * k, 9}));
  addStack(lights);
  request.rule = 2;
  request.removeHotPixels = true;
  run(RunMode::FullSize);
  const Picture blended = result();
  for (const PixelPlace &place : hot)
    EXPECT_EQ(blended.at(place.x, place.y), neighbourMean(nightFrame({}), place.x, place.y, hot));
  for (int k = 0; k < 6; ++k)
    EXPECT_EQ(blended.at(4 + 3 * k, 9).red, 230);
  expectACancelAtEveryYieldToEndTheRun();
}

} // namespace
} // namespace lumicomb
