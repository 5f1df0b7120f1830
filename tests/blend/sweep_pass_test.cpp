#include "blend/sweep_pass.h"
#include "engine/parallel_for.h"
#include "engine/run_blend.h"
#include "support/recording_window.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lumicomb {
namespace {

std::vector<int64_t> progressOfImage(int image, int sources, int64_t height) {
  std::vector<int64_t> values;
  for (int64_t y = 0; y < height; ++y)
    values.push_back(sweepProgressValue((image - 1) * height + y, sources, height));
  return values;
}

TEST(SweepProgress, RisesImageByImageWithHalvesToEven) {
  EXPECT_EQ(progressOfImage(1, 2, 5), (std::vector<int64_t>{0, 0, 1, 2, 2}));
  EXPECT_EQ(progressOfImage(2, 2, 5), (std::vector<int64_t>{2, 3, 4, 4, 4}));
  EXPECT_EQ(sweepProgressValue(2 * 300, 4, 300), 150);
  EXPECT_EQ(progressOfImage(1, 1, 4), (std::vector<int64_t>{0, 1, 2, 3}));
}

TEST(SweepPass, ReportsProgressAndYieldsOncePerSourceRow) {
  test::TempDir dir;
  ImageSet set;
  set.AppendImages(dir.path().string(), test::writeStack(dir, test::randomStack(2, 3, 5, 1)));
  test::RecordingWindow window;
  setWorkerThreads(1);
  RunBlend(set, kLarge, window, {});
  setWorkerThreads(0);
  EXPECT_EQ(window.progressValues, (std::vector<int64_t>{0, 0, 1, 2, 2, 2, 3, 4, 4, 4}));
  EXPECT_EQ(window.yields, 10);
  EXPECT_EQ(window.progressMaximum, 5);
}

TEST(SweepPass, ProgressNeverFallsBackWithManyThreads) {
  test::TempDir dir;
  ImageSet set;
  set.AppendImages(dir.path().string(), test::writeStack(dir, test::randomStack(5, 40, 30, 2)));
  test::RecordingWindow window;
  setWorkerThreads(3);
  RunBlend(set, kLarge, window, {});
  setWorkerThreads(0);
  EXPECT_EQ(window.yields, 5 * 30);
  EXPECT_TRUE(std::is_sorted(window.progressValues.begin(), window.progressValues.end()));
  EXPECT_LE(window.progressValues.back(), 30);
}

} // namespace
} // namespace lumicomb
