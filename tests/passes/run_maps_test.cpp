// The maps through the whole run: what each rule with a map says it took, at both depths, any
// thread count and memory budget; and the refusal of the others.
#include "fusion/fusion_rules.h"
#include "passes/run_blend_fixture.h"
#include "support/frame_runner.h"
#include "support/rejection_reference.h"
#include "support/wide_files.h"

#include <functional>
#include <numeric>

namespace lumicomb {
namespace {

using test::WidePicture;

/// What a rule's map should be for a stack of samples.
struct MapCase {
  int option;
  MapKind kind;
  bool banded; ///< runs in the band pass, whose memory the budget shapes
  std::function<std::vector<uint16_t>(const std::vector<WidePicture> &, int top)> reference;
};

Picture pictureOf(const WidePicture &samples);

/// The frames "Sharpest" keeps after its consistency step, by the rule run on its own.
std::vector<uint16_t> sharpestChoices(const std::vector<WidePicture> &stack, int top) {
  const bool wide = top == 65535;
  const std::unique_ptr<FrameRule> rule =
      sharpestRule(RuleParameters{}.focus, wide ? SampleDepth::Sixteen : SampleDepth::Eight);
  std::vector<int> order(stack.size());
  std::iota(order.begin(), order.end(), 0);
  if (wide) {
    test::frameBlend(*rule, stack, order);
  } else {
    std::vector<Picture> pictures;
    for (const WidePicture &picture : stack)
      pictures.push_back(pictureOf(picture));
    test::frameBlend(*rule, pictures, order);
  }
  return test::chosenFrames(*rule, stack[0].width, stack[0].height);
}

const std::vector<MapCase> &mapCases() {
  static const std::vector<MapCase> cases = {
      {2, MapKind::FrameNumbers, false,
       [](const auto &s, int) { return test::referenceWinners(s, true); }},
      {3, MapKind::FrameNumbers, false,
       [](const auto &s, int) { return test::referenceWinners(s, false); }},
      {9, MapKind::FrameNumbers, false, sharpestChoices},
      {10, MapKind::FrameNumbers, false,
       [](const auto &s, int) { return test::referenceCometWinners(s, 10); }},
      {12, MapKind::RejectedCounts, true,
       [](const auto &s, int top) {
         return test::referenceRejectingMean(s, false, 4, 3, top).map;
       }},
      {13, MapKind::RejectedCounts, true,
       [](const auto &s, int top) { return test::referenceRejectingMean(s, true, 4, 3, top).map; }},
  };
  return cases;
}

Picture pictureOf(const WidePicture &samples) {
  Picture picture = test::filledPicture(samples.width, samples.height, {});
  for (size_t p = 0; p < picture.pixels.size(); ++p)
    picture.pixels[p] = {static_cast<uint8_t>(samples.samples[3 * p]),
                         static_cast<uint8_t>(samples.samples[3 * p + 1]),
                         static_cast<uint8_t>(samples.samples[3 * p + 2])};
  return picture;
}

std::vector<uint16_t> valuesOf(const FIBITMAP *map) {
  std::vector<uint16_t> values;
  for (int64_t y = 0; y < heightOf(map); ++y) {
    const auto *row = reinterpret_cast<const uint16_t *>(scanLine(map, y));
    values.insert(values.end(), row, row + widthOf(map));
  }
  return values;
}

class RunMapsTest : public RunBlendTest {
protected:
  /// Writes a stack of 7 with outliers at the depth and returns its samples.
  std::vector<WidePicture> useOutlierStack(SampleDepth depth, int64_t width, int64_t height) {
    set = ImageSet();
    const int top = depth == SampleDepth::Sixteen ? 65535 : 255;
    const std::vector<WidePicture> stack = test::outlierStack(7, width, height, top, 77);
    if (depth == SampleDepth::Sixteen) {
      set.append(dir.path().string(), test::writeWideStack(dir, stack));
    } else {
      std::vector<Picture> pictures;
      for (const WidePicture &picture : stack)
        pictures.push_back(pictureOf(picture));
      addStack(pictures);
    }
    return stack;
  }
};

TEST_F(RunMapsTest, EveryMapMatchesTheReferencesChoicesWhateverTheDepthThreadsAndBudget) {
  for (const SampleDepth depth : {SampleDepth::Eight, SampleDepth::Sixteen}) {
    const std::vector<WidePicture> stack = useOutlierStack(depth, 45, 31);
    for (const MapCase &rule : mapCases()) {
      const std::vector<uint16_t> expected =
          rule.reference(stack, depth == SampleDepth::Sixteen ? 65535 : 255);
      request.rule = rule.option;
      request.depth = depth;
      request.withMap = true;
      for (int threads : {1, 3}) {
        setWorkerThreads(threads);
        // The smallest budget a band pass takes, with room for the map beside the result.
        const uint64_t small =
            rule.banded ? oneRowPerBand(45, 31, depth) + grey16Bytes(45, 31) : UINT64_MAX;
        for (uint64_t memory : {small, UINT64_MAX}) {
          SCOPED_TRACE(::testing::Message()
                       << "rule " << rule.option << ", " << 8 * bytesPerSample(depth) << " bits, "
                       << threads << " threads, budget " << memory);
          request.memoryBudget = memory;
          run(RunMode::FullSize);
          ASSERT_TRUE(outcome.map.picture);
          EXPECT_EQ(outcome.map.kind, rule.kind);
          EXPECT_EQ(outcome.map.sources, 7);
          EXPECT_EQ(FreeImage_GetImageType(outcome.map.picture.get()), FIT_UINT16);
          EXPECT_EQ(valuesOf(outcome.map.picture.get()), expected);
        }
      }
    }
  }
}

TEST_F(RunMapsTest, APreviewRunMakesAMapOfThePreviewsSize) {
  addStack(test::randomStack(3, 500, 260, 5));
  request.rule = 2;
  request.withMap = true;
  run(RunMode::Previews);
  ASSERT_TRUE(outcome.map.picture);
  EXPECT_EQ(widthOf(outcome.map.picture.get()), widthOf(outcome.picture.get()));
  EXPECT_EQ(heightOf(outcome.map.picture.get()), heightOf(outcome.picture.get()));
  EXPECT_EQ(widthOf(outcome.picture.get()), 400);
}

TEST_F(RunMapsTest, FramesLeftOutForTheirBrightnessKeepTheirNumbersOutOfTheMap) {
  std::vector<Picture> stack = test::randomStack(5, 20, 10, 9);
  for (Picture &picture : stack)
    for (test::Rgb &pixel : picture.pixels)
      pixel = {static_cast<uint8_t>(pixel.red / 8), static_cast<uint8_t>(pixel.green / 8),
               static_cast<uint8_t>(pixel.blue / 8)};
  stack[2] = test::filledPicture(20, 10, {250, 250, 250}); // image 3 is left out
  addStack(stack);
  request.rule = 2;
  request.withMap = true;
  request.skipBrightFrames = true;
  run(RunMode::FullSize);
  std::vector<WidePicture> kept;
  for (size_t i : {0, 1, 3, 4})
    kept.push_back(test::widened(stack[i], 1));
  std::vector<uint16_t> expected = test::referenceWinners(kept, true);
  for (uint16_t &frame : expected)
    frame = static_cast<uint16_t>(frame >= 3 ? frame + 1 : frame);
  EXPECT_EQ(valuesOf(outcome.map.picture.get()), expected);
  EXPECT_EQ(outcome.map.sources, 5);
}

TEST_F(RunMapsTest, ARuleWithoutAMapRefusesOneBeforeReadingAnyImage) {
  // The files do not exist: the refusal must come before any of them is opened.
  for (int i = 1; i <= 3; ++i)
    set.append(dir.path().string(), {"missing_" + std::to_string(i) + ".png"});
  request.rule = 4;
  request.withMap = true;
  std::string message;
  EXPECT_EQ(failureKind(RunMode::FullSize, &message), ErrorKind::NotAvailable);
  EXPECT_EQ(message, "\"Median\" makes no map; \"Brightest\", \"Darkest\", \"Sharpest\", "
                     "\"Comet trails\", \"Sigma-clipped mean\" and \"Winsorized mean\" do");
  EXPECT_TRUE(observer.visibility.empty());
}

} // namespace
} // namespace lumicomb
