// Closing the gaps between frames, measured on a synthetic night whose trails are known.
#include "demo/night_sky.h"
#include "passes/run_blend_fixture.h"
#include "passes/sequence_pass.h"
#include "support/wide_files.h"

namespace lumicomb {
namespace {

/// Top-first RGB, as the night measures it, from a result of either depth.
std::vector<uint8_t> topFirst(const FIBITMAP *picture) {
  const int64_t width = widthOf(picture), height = heightOf(picture);
  const bool wide = depthOf(picture) == SampleDepth::Sixteen;
  std::vector<uint8_t> rgb;
  for (int64_t y = height - 1; y >= 0; --y) {
    const uint8_t *row = scanLine(picture, y);
    for (int64_t x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        rgb.push_back(wide ? eightBitEquivalent(reinterpret_cast<const uint16_t *>(row)[3 * x + c])
                           : row[3 * x + (c == 0   ? FI_RGBA_RED
                                          : c == 1 ? FI_RGBA_GREEN
                                                   : FI_RGBA_BLUE)]);
  }
  return rgb;
}

class GapFillingTest : public RunBlendTest {
protected:
  static constexpr int kFrames = 8;

  GapFillingTest() : night(settings()) {
    addStack(frames());
    request.rule = 2;
  }

  NightFigures figures() const { return night.measure(topFirst(outcome.picture.get())); }

  static NightSettings settings() {
    NightSettings night;
    night.width = kWidth;
    night.height = kHeight;
    night.frames = kFrames;
    night.seed = 7;
    return night;
  }

  /// The night's frames, drawn once for every test.
  static const std::vector<Picture> &frames() {
    static const std::vector<Picture> drawn = drawFrames();
    return drawn;
  }

  static std::vector<Picture> drawFrames() {
    const NightSky night(settings());
    std::vector<Picture> frames;
    for (int k = 0; k < kFrames; ++k) {
      test::Picture frame = test::filledPicture(kWidth, kHeight, {});
      const std::vector<uint8_t> rgb = night.frame(k);
      for (int64_t y = 0; y < kHeight; ++y)
        for (int64_t x = 0; x < kWidth; ++x) {
          const uint8_t *from = &rgb[static_cast<size_t>(3 * (y * kWidth + x))];
          // A still light on the ground, in every frame.
          const bool light = x >= 100 && x < 104 && y >= 285 && y < 288;
          frame.at(x, kHeight - 1 - y) =
              light ? test::Rgb{250, 240, 200} : test::Rgb{from[0], from[1], from[2]};
        }
      frames.push_back(frame);
    }
    return frames;
  }

  static constexpr int64_t kWidth = 480;
  static constexpr int64_t kHeight = 300;
  NightSky night;
};

TEST_F(GapFillingTest, ClosesTheGapsWithoutLosingTrailsOrLightingTheSky) {
  run(RunMode::FullSize);
  const NightFigures plain = figures();
  const Picture brightest = result();
  EXPECT_LT(plain.gapShareLit, 0.85);

  request.closeGaps = true;
  Picture oneThread;
  for (const SampleDepth depth : {SampleDepth::Eight, SampleDepth::Sixteen})
    for (int threads : {1, 3}) {
      SCOPED_TRACE(::testing::Message()
                   << 8 * bytesPerSample(depth) << " bits, " << threads << " threads");
      setWorkerThreads(threads);
      request.depth = depth;
      run(RunMode::FullSize);
      const NightFigures closed = figures();
      EXPECT_GE(closed.gapShareLit, 0.97);
      EXPECT_GE(closed.trailShareLit, plain.trailShareLit);
      EXPECT_LE(closed.strayPixels, plain.strayPixels + 2);
      EXPECT_EQ(closed.skyMedian, plain.skyMedian);
      EXPECT_TRUE(observer.warnings.empty());
      if (depth == SampleDepth::Eight) {
        // Bridges only ever add light, and never to the still light on the ground; whatever
        // order the frames come in, they are the same.
        const Picture bridged = result();
        if (threads == 1)
          oneThread = bridged;
        EXPECT_EQ(bridged, oneThread);
        for (size_t p = 0; p < bridged.pixels.size(); ++p)
          ASSERT_GE(bridged.pixels[p].green, brightest.pixels[p].green);
        for (int64_t y = 8; y < 20; ++y)
          for (int64_t x = 90; x < 114; ++x)
            EXPECT_EQ(bridged.at(x, y), brightest.at(x, y)) << x << "," << y;
      }
    }
}

TEST_F(GapFillingTest, CometTrailsCloseTheirGapsFadedAsTheEarlierFrame) {
  request.rule = 10;
  request.parameters.halfLife = 1e12; // no fading: the bridges of "Brightest"
  request.closeGaps = true;
  run(RunMode::FullSize);
  const Picture comet = result();
  request.rule = 2;
  run(RunMode::FullSize);
  EXPECT_EQ(comet, result());
}

TEST_F(GapFillingTest, ABridgeOfAGivenSizeReachesNoFartherAndOtherRulesAreRefused) {
  request.closeGaps = true;
  request.gapPixels = 0.6;
  run(RunMode::FullSize);
  EXPECT_LT(figures().gapShareLit, 0.9);
  request.rule = 0;
  std::string message;
  EXPECT_EQ(failureKind(RunMode::FullSize, &message), ErrorKind::OutOfRange);
  EXPECT_EQ(message, "closing gaps works with \"Brightest\" and \"Comet trails\" only");
}

/// Keeps the last step it is given.
class LastStep : public StepSink {
public:
  void describe(const std::vector<uint8_t> &, std::shared_ptr<const PhotoMetadata>) override {}
  int picturesHeld() const override { return 1; }
  void takeStep(int k, Bitmap picture) override {
    steps = k;
    last = test::toPicture(picture.get());
  }
  int steps = 0;
  Picture last;
};

TEST_F(GapFillingTest, ATimeLapseClosesTheGapsAsTheBlendDoes) {
  request.closeGaps = true;
  for (const int rule : {2, 10}) {
    request.rule = rule;
    request.sequence = nullptr;
    run(RunMode::FullSize);
    const Picture closed = result();
    LastStep sink;
    request.sequence = &sink;
    run(RunMode::FullSize);
    EXPECT_EQ(sink.steps, kFrames);
    EXPECT_EQ(sink.last, closed) << "rule " << rule;
    EXPECT_EQ(result(), closed);
  }
}

/// Noise, and frames of two unrelated skies in turn: no move to measure, so nothing is bridged.
TEST(GapFillingWithoutOneSky, LeavesTheBlendAsItIsAndSaysWhy) {
  NightSettings settings;
  settings.width = 480;
  settings.height = 300;
  const NightSky one(settings);
  settings.seed = 2;
  const NightSky other(settings);
  std::vector<Picture> unrelated;
  for (int k = 0; k < 4; ++k) {
    const std::vector<uint8_t> rgb = (k % 2 ? other : one).frame(k);
    test::Picture frame = test::filledPicture(settings.width, settings.height, {});
    for (int64_t y = 0; y < settings.height; ++y)
      for (int64_t x = 0; x < settings.width; ++x) {
        const uint8_t *from = &rgb[static_cast<size_t>(3 * (y * settings.width + x))];
        frame.at(x, settings.height - 1 - y) = {from[0], from[1], from[2]};
      }
    unrelated.push_back(frame);
  }
  for (const std::vector<Picture> &stack : {test::randomStack(3, 64, 48, 3), unrelated}) {
    test::TempDir dir;
    ImageSet set;
    set.append(dir.path().string(), test::writeStack(dir, stack));
    BlendRequest request;
    request.rule = 2;
    request.closeGaps = true;
    test::RecordingObserver observer;
    const BlendOutcome outcome = runBlend(set, request, observer);
    EXPECT_EQ(test::toPicture(outcome.picture.get()), test::referenceBrightest(stack));
    ASSERT_EQ(observer.warnings.size(), 1u);
    EXPECT_NE(observer.warnings[0].find("gaps between frames were left open"), std::string::npos);
  }
}

} // namespace
} // namespace lumicomb
