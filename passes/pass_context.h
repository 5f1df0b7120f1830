#pragma once
// What every pass of one run shares: the images, which of their bitmaps, whom to tell, and how
// much memory and how many threads it may take.
#include "imaging/image_loading.h"
#include "passes/run_mode.h"
#include "passes/run_observer.h"

namespace lumicomb {

struct PassContext {
  ImageSet &set;
  RunMode mode;
  PreviewBox box;
  RunObserver &observer;
  /// Bytes the pass may hold at once.
  uint64_t memoryBudget = UINT64_MAX;
  /// Threads its loops take.
  int threads = 1;

  bool usesPreviews() const { return mode == RunMode::Previews; }
};

} // namespace lumicomb
