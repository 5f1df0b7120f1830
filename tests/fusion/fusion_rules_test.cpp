// "Sharpest" and "Exposure fusion" as kernels: what they make of stacks whose answer is plain, and
// that the order the frames and parts come in changes nothing.
#include "fusion/fusion_rules.h"
#include "support/frame_runner.h"
#include "support/rule_runner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numeric>

namespace lumicomb {
namespace {

using test::Picture;
using test::Rgb;

struct RuleMaker {
  const char *name;
  std::function<std::unique_ptr<FrameRule>(SampleDepth)> make;
};

const std::vector<RuleMaker> &ruleMakers() {
  static const std::vector<RuleMaker> makers = {
      {"pyramid",
       [](SampleDepth d) {
         return sharpestRule({FocusMethod::Pyramid, 5, true}, d);
       }},
      {"pyramid without consistency",
       [](SampleDepth d) {
         return sharpestRule({FocusMethod::Pyramid, 3, false}, d);
       }},
      {"depth map",
       [](SampleDepth d) {
         return sharpestRule({FocusMethod::DepthMap, 5, true}, d);
       }},
      {"exposure fusion",
       [](SampleDepth d) {
         return exposureFusionRule({1, 0.2, 0}, d);
       }},
      {"exposure fusion with contrast",
       [](SampleDepth d) {
         return exposureFusionRule({0.5, 0.5, 1}, d);
       }},
  };
  return makers;
}

std::vector<int> inOrder(size_t count) {
  std::vector<int> order(count);
  std::iota(order.begin(), order.end(), 0);
  return order;
}

TEST(FusionRules, AStackOfOneFrameRepeatedGivesThatFrame) {
  const Picture frame = test::randomStack(1, 37, 23, 4)[0];
  const test::WidePicture wide = test::randomWideStack(1, 37, 23, 5)[0];
  for (const RuleMaker &maker : ruleMakers()) {
    SCOPED_TRACE(maker.name);
    EXPECT_EQ(test::frameBlend(*maker.make(SampleDepth::Eight), {frame, frame, frame}, inOrder(3)),
              frame);
    EXPECT_EQ(test::frameBlend(*maker.make(SampleDepth::Sixteen), {wide, wide}, inOrder(2)), wide);
  }
}

TEST(FusionRules, TheResultDoesNotDependOnTheOrderOfFramesOrParts) {
  const std::vector<Picture> stack = test::randomStack(5, 41, 30, 6);
  const std::vector<test::WidePicture> wide = test::randomWideStack(4, 41, 30, 7);
  for (const RuleMaker &maker : ruleMakers()) {
    SCOPED_TRACE(maker.name);
    const Picture expected = test::frameBlend(*maker.make(SampleDepth::Eight), stack, inOrder(5));
    EXPECT_EQ(test::frameBlend(*maker.make(SampleDepth::Eight), stack, {3, 1, 4, 0, 2}, {2, 0, 1}),
              expected);
    const test::WidePicture wideExpected =
        test::frameBlend(*maker.make(SampleDepth::Sixteen), wide, inOrder(4));
    EXPECT_EQ(test::frameBlend(*maker.make(SampleDepth::Sixteen), wide, {2, 3, 0, 1}, {1, 0}),
              wideExpected);
  }
}

/// The weight of an even-coloured frame by its brightness and saturation, as the defaults take
/// them: exposure 1, saturation 0.2.
double weightOf(Rgb colour) {
  const double r = colour.red / 255.0, g = colour.green / 255.0, b = colour.blue / 255.0;
  const double away = ((r + g + b) / 3 - 0.5) / 0.2;
  const double most = std::max({r, g, b}), least = std::min({r, g, b});
  const double lightness = (most + least) / 2;
  const double saturation =
      most == least ? 0 : (most - least) / (lightness <= 0.5 ? most + least : 2 - most - least);
  return std::exp(-0.5 * away * away) + 0.2 * saturation;
}

TEST(FusionRules, ExposureFusionOfEvenFramesIsTheirMeanWeighedByExposureAndSaturation) {
  const std::vector<std::vector<Rgb>> brackets = {{{20, 30, 40}, {120, 110, 90}, {250, 245, 240}},
                                                  {{0, 0, 0}, {255, 255, 255}},
                                                  {{200, 40, 40}, {90, 90, 90}}};
  for (const std::vector<Rgb> &bracket : brackets) {
    std::vector<Picture> stack;
    double total = 0;
    double red = 0, green = 0, blue = 0;
    for (const Rgb colour : bracket) {
      stack.push_back(test::filledPicture(19, 12, colour));
      const double w = weightOf(colour);
      total += w;
      red += w * colour.red;
      green += w * colour.green;
      blue += w * colour.blue;
    }
    const Rgb expected{static_cast<uint8_t>(std::lround(red / total)),
                       static_cast<uint8_t>(std::lround(green / total)),
                       static_cast<uint8_t>(std::lround(blue / total))};
    const Picture fused =
        test::frameBlend(*exposureFusionRule({}, SampleDepth::Eight), stack, inOrder(stack.size()));
    EXPECT_EQ(fused, test::filledPicture(19, 12, expected)) << int(expected.red);
  }
}

/// Stripes of the given width; `flat` shows their mean instead.
Picture stripes(int64_t width, int64_t height, bool flatLeft, bool flatRight) {
  Picture picture = test::filledPicture(width, height, {});
  for (int64_t y = 0; y < height; ++y)
    for (int64_t x = 0; x < width; ++x) {
      const bool flat = x < width / 2 ? flatLeft : flatRight;
      const auto v = static_cast<uint8_t>(flat ? 120 : ((x / 2 + y / 3) % 2 ? 200 : 40));
      picture.at(x, y) = {v, v, v};
    }
  return picture;
}

TEST(FusionRules, SharpestTakesEachHalfFromTheFrameWhereItIsSharpAndSaysSo) {
  const int64_t width = 64, height = 40;
  const std::vector<Picture> stack = {stripes(width, height, false, true),
                                      stripes(width, height, true, false)};
  const Picture sharp = stripes(width, height, false, false);
  for (const FocusMethod method : {FocusMethod::Pyramid, FocusMethod::DepthMap}) {
    SCOPED_TRACE(static_cast<int>(method));
    const std::unique_ptr<FrameRule> rule = sharpestRule({method, 5, true}, SampleDepth::Eight);
    const Picture fused = test::frameBlend(*rule, stack, {0, 1});
    const std::vector<uint16_t> chosen = test::chosenFrames(*rule, width, height);
    // Away from the seam, where the two halves' sharpness is told apart.
    for (int64_t y = 0; y < height; ++y)
      for (int64_t x : {int64_t{4}, int64_t{12}, width - 12, width - 4}) {
        EXPECT_NEAR(fused.at(x, y).red, sharp.at(x, y).red, 12) << x << ", " << y;
        EXPECT_EQ(chosen[static_cast<size_t>(y * width + x)], x < width / 2 ? 1 : 2);
      }
  }
}

} // namespace
} // namespace lumicomb
