#pragma once
// The shared pass: loads every source of the run mode, feeds its scan lines to the rule,
// reports progress and yields once per row, releases full-size sources, writes the result.
#include "blend/sweep_rule.h"
#include "engine/image_loading.h"
#include "engine/run_mode.h"
#include "engine/window_operations.h"

namespace lumicomb {

struct PassContext {
  ImageSet &set;
  const RunMode &mode;
  const PreviewBox &box;
  WindowOperations &window;
  int64_t width;
  int64_t height;
  FIBITMAP *result; ///< 24-bit, width x height
};

/// Sources are decoded in parallel. A source whose size differs from image 1's fails the pass
/// before any result pixel is written. Afterwards no source holds a full-size bitmap.
void runSweepPass(const PassContext &context, SweepRule &rule);

/// Progress value after `rowsDone` of the `sources` x `height` source rows, in the order of a
/// sweep of image 1, then image 2, ...: (i-1)*H/N + y/N, rounded half to even.
int64_t sweepProgressValue(int64_t rowsDone, int sources, int64_t height);

} // namespace lumicomb
