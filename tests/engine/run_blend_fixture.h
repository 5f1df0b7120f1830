#pragma once
// A set of images in a temporary folder, a recording window and helpers to run blends on them.
#include "engine/errors.h"
#include "engine/parallel_for.h"
#include "engine/run_blend.h"
#include "support/recording_window.h"
#include "support/reference_blends.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lumicomb {

using test::Picture;

class RunBlendTest : public ::testing::Test {
protected:
  test::TempDir dir;
  ImageSet set;
  test::RecordingWindow window;
  PreviewBox box{400, 300};
  uint64_t budget = defaultMemoryBudget();

  void TearDown() override { setWorkerThreads(0); }

  void addStack(const std::vector<Picture> &stack) {
    set.AppendImages(dir.path().string(), test::writeStack(dir, stack));
  }

  /// A budget that holds the result and one picture in decoding per thread but not every
  /// source, so that a band pass works through pictures of this size one row at a time.
  uint64_t oneRowPerBand(int64_t width, int64_t height) const {
    const int decoding = std::min(workerThreads(), set.sourceCount() - 1);
    return rgb24Bytes(width, height) * static_cast<uint64_t>(1 + decoding);
  }

  Picture result() const { return test::toPicture(set.entry(0).FullBitmap.get()); }

  bool anySourceHoldsAFullBitmap() const {
    for (int i = 1; i <= set.sourceCount(); ++i)
      if (set.entry(i).FullBitmap)
        return true;
    return false;
  }

  ErrorKind failureKind(const RunMode &mode, std::string *message = nullptr) {
    try {
      RunBlend(set, mode, window, box, budget);
    } catch (const LumicombError &error) {
      if (message)
        *message = error.what();
      return error.kind();
    }
    ADD_FAILURE() << "the run did not fail";
    return ErrorKind::Cancelled;
  }
};

} // namespace lumicomb
