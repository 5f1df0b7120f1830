#include "base/parallel_for.h"
#include "passes/run_blend.h"
#include "passes/sweep_pass.h"
#include "support/recording_observer.h"
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
  set.append(dir.path().string(), test::writeStack(dir, test::randomStack(2, 3, 5, 1)));
  test::RecordingObserver observer;
  BlendRequest request;
  request.threads = 1;
  runBlend(set, request, observer);
  EXPECT_EQ(observer.progressValues, (std::vector<int64_t>{0, 0, 1, 2, 2, 2, 3, 4, 4, 4}));
  EXPECT_EQ(observer.yields, 10);
  EXPECT_EQ(observer.progressMaximum, 5);
}

TEST(SweepPass, ProgressNeverFallsBackWithManyThreads) {
  test::TempDir dir;
  ImageSet set;
  set.append(dir.path().string(), test::writeStack(dir, test::randomStack(5, 40, 30, 2)));
  test::RecordingObserver observer;
  BlendRequest request;
  request.threads = 3;
  runBlend(set, request, observer);
  EXPECT_EQ(observer.yields, 5 * 30);
  EXPECT_TRUE(std::is_sorted(observer.progressValues.begin(), observer.progressValues.end()));
  EXPECT_LE(observer.progressValues.back(), 30);
}

} // namespace
} // namespace lumicomb
