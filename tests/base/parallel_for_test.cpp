#include "base/parallel_for.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumicomb {
namespace {

class ParallelFor : public ::testing::TestWithParam<int> {
protected:
  void SetUp() override { setWorkerThreads(GetParam()); }
  void TearDown() override { setWorkerThreads(0); }
};

TEST_P(ParallelFor, VisitsEveryIndexOnce) {
  std::vector<std::atomic<int>> visits(1000);
  parallelFor(1000, [&](int64_t i) { ++visits[static_cast<size_t>(i)]; });
  for (const auto &count : visits)
    EXPECT_EQ(count, 1);
  parallelFor(0, [](int64_t) { FAIL(); });
}

TEST_P(ParallelFor, ReportsTheLowestFailingIndexWhateverTheThreadCount) {
  try {
    parallelFor(200, [](int64_t i) {
      if (i == 37 || i == 38 || i == 150)
        throw std::runtime_error(std::to_string(i));
    });
    FAIL();
  } catch (const std::runtime_error &failure) {
    EXPECT_STREQ(failure.what(), "37");
  }
}

INSTANTIATE_TEST_SUITE_P(Threads, ParallelFor, ::testing::Values(1, 2, 3, 8));

} // namespace
} // namespace lumicomb
