// Where aligned frames overlap, how a frame is resampled into image 1's frame, and the grey
// copies alignment works on.
#include "align/common_rectangle.h"
#include "align/frame_warp.h"

#include <gtest/gtest.h>

#include <cmath>

namespace lumicomb {
namespace {

FrameTransform turnedAbout(double cx, double cy, double degrees, double dx, double dy) {
  const double c = std::cos(degrees * M_PI / 180);
  const double s = std::sin(degrees * M_PI / 180);
  return FrameTransform::translation(-cx, -cy)
      .then(FrameTransform{{c, -s, 0, s, c, 0, 0, 0, 1}})
      .then(FrameTransform::translation(cx + dx, cy + dy));
}

/// Whether image 1's pixel centre lies in every frame, found from the other side: the point's
/// place in each frame must be inside that frame.
bool insideEveryFrame(const std::vector<FrameTransform> &toImageOne, int64_t width, int64_t height,
                      double x, double y) {
  const auto inside = [&](PixelPoint p) {
    return p.x >= -1e-9 && p.y >= -1e-9 && p.x <= width - 1 + 1e-9 && p.y <= height - 1 + 1e-9;
  };
  if (!inside({x, y}))
    return false;
  for (const FrameTransform &t : toImageOne)
    if (!inside(t.inverse().apply({x, y})))
      return false;
  return true;
}

TEST(CommonRectangle, IsWhatTheShiftedFramesShareExactly) {
  EXPECT_EQ(commonRectangle({}, 64, 48), (PixelRectangle{0, 0, 64, 48}));
  EXPECT_EQ(commonRectangle({FrameTransform{}, FrameTransform{}}, 64, 48),
            (PixelRectangle{0, 0, 64, 48}));
  // Frames moved right 7 and up 5, and left 3 and down 2, share columns 7 to 60, rows 2 to 42.
  EXPECT_EQ(commonRectangle({FrameTransform::translation(7, -5)}, 64, 48),
            (PixelRectangle{7, 0, 57, 43}));
  EXPECT_EQ(commonRectangle(
                {FrameTransform::translation(7, -5), FrameTransform::translation(-3, 2)}, 64, 48),
            (PixelRectangle{7, 2, 54, 41}));
  EXPECT_TRUE(commonRectangle({FrameTransform::translation(64, 0)}, 64, 48).empty());
}

TEST(CommonRectangle, IsTheLargestRectangleInsideTurnedAndTiltedFrames) {
  constexpr int64_t kWidth = 40;
  constexpr int64_t kHeight = 28;
  FrameTransform tilted = turnedAbout(20, 14, -2, -1.3, 0.6);
  tilted.m[6] = 4e-4;
  tilted.m[7] = -3e-4;
  const std::vector<FrameTransform> frames = {turnedAbout(19.5, 13.5, 6, 2.4, -1.7), tilted};
  const PixelRectangle found = commonRectangle(frames, kWidth, kHeight);
  ASSERT_FALSE(found.empty());
  for (int64_t y = found.y; y < found.y + found.height; ++y)
    for (int64_t x = found.x; x < found.x + found.width; ++x)
      ASSERT_TRUE(insideEveryFrame(frames, kWidth, kHeight, x, y)) << x << ", " << y;

  // Every rectangle whose pixel centres all lie inside, by summed counts of the inside ones.
  std::vector<int64_t> counts((kWidth + 1) * (kHeight + 1), 0);
  const auto at = [&](int64_t x, int64_t y) -> int64_t & { return counts[y * (kWidth + 1) + x]; };
  for (int64_t y = 0; y < kHeight; ++y)
    for (int64_t x = 0; x < kWidth; ++x)
      at(x + 1, y + 1) =
          at(x, y + 1) + at(x + 1, y) - at(x, y) + insideEveryFrame(frames, kWidth, kHeight, x, y);
  int64_t largest = 0;
  for (int64_t y0 = 0; y0 < kHeight; ++y0)
    for (int64_t y1 = y0 + 1; y1 <= kHeight; ++y1)
      for (int64_t x0 = 0; x0 < kWidth; ++x0)
        for (int64_t x1 = x0 + 1; x1 <= kWidth; ++x1) {
          const int64_t area = (x1 - x0) * (y1 - y0);
          if (at(x1, y1) - at(x0, y1) - at(x1, y0) + at(x0, y0) == area)
            largest = std::max(largest, area);
        }
  EXPECT_EQ(found.width * found.height, largest);
}

/// Rows of 3-channel samples with padding at each row's end, filled with a pattern that differs
/// in every sample and, at 16 bits, in the low byte too.
struct TestRows {
  std::vector<uint16_t> storage;
  SampleRows rows;
  TestRows(int64_t width, int64_t height, int bytesPerSample, bool pattern) {
    const std::ptrdiff_t stride = (width * 3 + 5) * bytesPerSample;
    storage.assign(static_cast<size_t>(stride * height / 2 + 1), 0);
    rows = {reinterpret_cast<uint8_t *>(storage.data()), width, height, stride, bytesPerSample};
    for (int64_t y = 0; pattern && y < height; ++y)
      for (int64_t i = 0; i < width * 3; ++i)
        set(i, y, static_cast<uint32_t>((y * 7919 + i * 104729) % 65521));
  }
  uint32_t get(int64_t i, int64_t y) const {
    const uint8_t *row = rows.data + y * rows.stride;
    return rows.bytesPerSample == 2 ? reinterpret_cast<const uint16_t *>(row)[i] : row[i];
  }
  void set(int64_t i, int64_t y, uint32_t value) {
    uint8_t *row = rows.data + y * rows.stride;
    if (rows.bytesPerSample == 2)
      reinterpret_cast<uint16_t *>(row)[i] = static_cast<uint16_t>(value);
    else
      row[i] = static_cast<uint8_t>(value);
  }
};

TEST(FrameWarp, WholePixelMovesCopySamplesUnchangedAtEitherDepth) {
  for (const int bytes : {1, 2})
    for (const FrameTransform &move : {FrameTransform{}, FrameTransform::translation(3, -2)}) {
      SCOPED_TRACE(std::to_string(bytes) + " bytes, shift " + std::to_string(move.m[2]));
      const TestRows source(37, 23, bytes, true);
      const PixelRectangle crop{5, 1, 26, 19};
      TestRows warped(crop.width, crop.height, bytes, false);
      warpIntoFrame(source.rows, move, crop, warped.rows);
      // Destination (x, y) shows image 1's (crop.x + x, crop.y + y), the source's (.. - 3, .. + 2).
      for (int64_t y = 0; y < crop.height; ++y)
        for (int64_t i = 0; i < crop.width * 3; ++i)
          ASSERT_EQ(warped.get(i, y),
                    source.get(i + (crop.x - move.m[2]) * 3, y + crop.y - move.m[5]))
              << i << ", " << y;
    }
}

TEST(GreyCopy, ReducesSoNeitherSideExceedsTheLimitAndNarrowsSixteenBits) {
  TestRows wide(1000, 30, 2, false);
  for (int64_t y = 0; y < 30; ++y)
    for (int64_t i = 0; i < 3000; ++i)
      wide.set(i, y, 200 * 257);
  const GreyPicture copy = greyCopy(wide.rows, 100);
  EXPECT_EQ(copy.width, 100);
  EXPECT_EQ(copy.height, 3);
  EXPECT_EQ(copy.samples, std::vector<uint8_t>(300, 200));
  EXPECT_EQ(greyCopy(wide.rows, 2000).width, 1000);
}

} // namespace
} // namespace lumicomb
