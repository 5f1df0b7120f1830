// The whole-frame rules' numeric kernels against plain definitions.
#include "fusion/pyramid.h"
#include "fusion/window_filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace lumicomb {
namespace {

struct Size {
  int64_t width;
  int64_t height;
};

const std::vector<Size> kSizes = {{1, 1}, {2, 3}, {9, 9}, {17, 10}, {64, 33}, {5, 40}};

std::vector<float> randomPlane(Size size, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> value(0, 255);
  std::vector<float> plane(static_cast<size_t>(size.width * size.height));
  for (float &v : plane)
    v = value(random);
  return plane;
}

TEST(Pyramid, LevelsHalveUntilTheShortSideIsEightOrLess) {
  const PyramidShape shape(100, 37);
  ASSERT_EQ(shape.levels(), 4);
  EXPECT_EQ(shape.width(1), 50);
  EXPECT_EQ(shape.height(1), 19);
  EXPECT_EQ(shape.width(3), 13);
  EXPECT_EQ(shape.height(3), 5);
  EXPECT_EQ(shape.samples(), size_t{100 * 37 + 50 * 19 + 25 * 10 + 13 * 5});
}

TEST(Pyramid, CollapsingALaplacianPyramidGivesThePictureBack) {
  for (const Size size : kSizes) {
    SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height);
    const std::vector<float> picture = randomPlane(size, 1);
    Pyramid pyramid{PyramidShape(size.width, size.height)};
    std::copy(picture.begin(), picture.end(), pyramid.level(0));
    makeLaplacian(pyramid);
    collapse(pyramid);
    for (size_t i = 0; i < picture.size(); ++i)
      ASSERT_NEAR(pyramid.level(0)[i], picture[i], 1e-3) << i;
  }
}

TEST(Pyramid, AnEvenPictureHasNoDetailAndKeepsItsValueAtEveryLevel) {
  for (const Size size : kSizes) {
    SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height);
    Pyramid pyramid{PyramidShape(size.width, size.height)};
    std::fill_n(pyramid.level(0), pyramid.shape().size(0), 100.0f);
    makeLaplacian(pyramid);
    const PyramidShape &shape = pyramid.shape();
    for (int l = 0; l < shape.levels(); ++l)
      for (size_t i = 0; i < shape.size(l); ++i)
        ASSERT_FLOAT_EQ(pyramid.level(l)[i], l + 1 == shape.levels() ? 100.0f : 0.0f)
            << "level " << l << ", " << i;
  }
}

TEST(Pyramid, TheExpansionAtOnePositionIsTheWholeExpansionsThere) {
  for (const Size size : kSizes) {
    SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height);
    const std::vector<float> coarse = randomPlane({(size.width + 1) / 2, (size.height + 1) / 2}, 4);
    std::vector<float> fine(static_cast<size_t>(size.width * size.height), 0.0f);
    addExpanded(coarse.data(), fine.data(), size.width, size.height, 1.0f);
    for (int64_t y = 0; y < size.height; ++y)
      for (int64_t x = 0; x < size.width; ++x)
        ASSERT_EQ(expandedAt(coarse.data(), size.width, size.height, x, y),
                  fine[static_cast<size_t>(y * size.width + x)])
            << x << ", " << y;
  }
}

TEST(WindowFilters, WindowSumAddsTheSquareWithTheEdgesRepeated) {
  for (const Size size : kSizes)
    for (const int window : {1, 3, 5}) {
      SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height << ", " << window);
      const std::vector<float> in = randomPlane(size, 2);
      std::vector<float> out(in.size());
      windowSum(in.data(), size.width, size.height, window, out.data());
      const auto at = [&](int64_t x, int64_t y) {
        return in[static_cast<size_t>(std::clamp<int64_t>(y, 0, size.height - 1) * size.width +
                                      std::clamp<int64_t>(x, 0, size.width - 1))];
      };
      for (int64_t y = 0; y < size.height; ++y)
        for (int64_t x = 0; x < size.width; ++x) {
          double sum = 0;
          for (int dy = -window / 2; dy <= window / 2; ++dy)
            for (int dx = -window / 2; dx <= window / 2; ++dx)
              sum += at(x + dx, y + dy);
          ASSERT_NEAR(out[static_cast<size_t>(y * size.width + x)], sum, 1e-2);
        }
    }
}

TEST(WindowFilters, Median3x3IsTheMiddleOfTheNineNeighbours) {
  std::mt19937 random(3);
  for (const Size size : kSizes) {
    SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height);
    std::vector<uint16_t> in(static_cast<size_t>(size.width * size.height));
    for (uint16_t &v : in)
      v = static_cast<uint16_t>(random() % 7);
    std::vector<uint16_t> out(in.size());
    median3x3(in.data(), size.width, size.height, out.data());
    for (int64_t y = 0; y < size.height; ++y)
      for (int64_t x = 0; x < size.width; ++x) {
        std::vector<uint16_t> nine;
        for (int64_t dy = -1; dy <= 1; ++dy)
          for (int64_t dx = -1; dx <= 1; ++dx)
            nine.push_back(in[static_cast<size_t>(std::clamp<int64_t>(y + dy, 0, size.height - 1) *
                                                      size.width +
                                                  std::clamp<int64_t>(x + dx, 0, size.width - 1))]);
        std::nth_element(nine.begin(), nine.begin() + 4, nine.end());
        ASSERT_EQ(out[static_cast<size_t>(y * size.width + x)], nine[4]);
      }
  }
}

} // namespace
} // namespace lumicomb
