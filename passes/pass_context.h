#pragma once
// What every pass of one run shares: the images, which of their bitmaps and in what depth and
// colours, whom to tell, and how much memory and how many threads it may take.
#include "imaging/image_loading.h"
#include "passes/run_mode.h"
#include "passes/run_observer.h"
#include "passes/run_warnings.h"

#include <vector>

namespace lumicomb {

struct AlignmentPlan;
struct SourceSteps;
struct GapFilling;

struct PassContext {
  ImageSet &set;
  RunMode mode;
  PreviewBox box;
  RunObserver &observer;
  /// Bytes the pass may hold at once.
  uint64_t memoryBudget = UINT64_MAX;
  /// Threads its loops take.
  int threads = 1;
  /// The depth of the sources' samples and the result's; previews are always 8-bit.
  SampleDepth depth = SampleDepth::Eight;
  /// The colour profile every source is converted into (image 1's; empty for sRGB).
  const std::vector<uint8_t> *targetProfile = nullptr;
  /// Where the sources' warnings go; null drops them.
  RunWarnings *warnings = nullptr;
  /// Where each source lies in image 1's frame, and the crop the result is cut to; null when the
  /// sources are blended as they stand.
  const AlignmentPlan *alignment = nullptr;
  /// What is done to every source before the rule sees it (darks, hot pixels); null: nothing.
  const SourceSteps *sourceSteps = nullptr;
  /// Whether a sweep closes the gaps star trails leave between consecutive frames, and how.
  const GapFilling *gapFilling = nullptr;
  /// Where a run that makes the rule's map has the pass put it, of the result's size; null when
  /// none is made.
  Bitmap *map = nullptr;

  bool usesPreviews() const { return mode == RunMode::Previews; }
  /// Bytes of one RGB picture of the given size at the run's depth.
  uint64_t pictureBytes(int64_t width, int64_t height) const {
    return rgbBytes(width, height, depth);
  }
};

} // namespace lumicomb
