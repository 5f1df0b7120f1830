#pragma once
// A set of images in a temporary folder, a request, a recording observer and helpers to run
// blends on them.
#include "base/errors.h"
#include "base/parallel_for.h"
#include "passes/run_blend.h"
#include "support/recording_observer.h"
#include "support/reference_blends.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lumicomb {

using test::Picture;

class RunBlendTest : public ::testing::Test {
protected:
  test::TempDir dir;
  ImageSet set;
  BlendRequest request;
  test::RecordingObserver observer;
  BlendOutcome outcome;

  RunBlendTest() { request.box = {400, 300}; }

  void TearDown() override { setWorkerThreads(0); }

  void addStack(const std::vector<Picture> &stack) {
    set.append(dir.path().string(), test::writeStack(dir, stack));
  }

  /// Runs the request in the given mode; the outcome stays for the checks.
  void run(RunMode mode) {
    request.mode = mode;
    outcome = runBlend(set, request, observer);
  }

  /// A budget that holds the result and one picture in decoding per thread but not every
  /// source, so that a band pass works through pictures of this size one row at a time.
  uint64_t oneRowPerBand(int64_t width, int64_t height,
                         SampleDepth depth = SampleDepth::Eight) const {
    const int decoding = std::min(workerThreads(), set.sourceCount() - 1);
    // At 16 bits a decode of 8-bit samples is counted with its 24-bit picture beside the 48-bit
    // one it may need.
    const uint64_t decode = rgbBytes(width, height, depth) +
                            (depth == SampleDepth::Sixteen ? rgb24Bytes(width, height) : 0);
    return rgbBytes(width, height, depth) + decode * static_cast<uint64_t>(decoding);
  }

  Picture result() const { return test::toPicture(outcome.picture.get()); }

  bool anySourceHoldsAFullBitmap() const {
    for (int i = 1; i <= set.sourceCount(); ++i)
      if (set.entry(i).fullSize || set.entry(i).aligned || set.entry(i).corrected)
        return true;
    return false;
  }

  /// Runs the full-size request again once for every yield the last run made, cancelled at that
  /// yield: each run must end cancelled, with no source bitmap left and the progress hidden.
  void expectACancelAtEveryYieldToEndTheRun() {
    const int64_t yields = observer.yields;
    for (int64_t cancelAt = 0; cancelAt < yields; ++cancelAt) {
      SCOPED_TRACE(::testing::Message() << "cancel at " << cancelAt << " of " << yields);
      observer.cancelAfterYields = cancelAt;
      observer.yields = 0;
      EXPECT_EQ(failureKind(RunMode::FullSize), ErrorKind::Cancelled);
      EXPECT_FALSE(anySourceHoldsAFullBitmap());
      EXPECT_EQ(observer.visibility.back(), false);
    }
  }

  ErrorKind failureKind(RunMode mode, std::string *message = nullptr) {
    try {
      run(mode);
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
