#pragma once
// What a front end asks a blend run for, built and checked where the user's choices are read:
// the rule and its numbers, which bitmaps, and how much of the machine it may take.
#include "align/align_model.h"
#include "base/memory_budget.h"
#include "base/sample_depth.h"
#include "imaging/image_loading.h"
#include "passes/run_mode.h"
#include "rules/rule_registry.h"

#include <optional>

namespace lumicomb {

class StepSink;

struct BlendRequest {
  int rule = 0; ///< the rule-group index, a row of ruleRegistry()
  RuleParameters parameters;
  RunMode mode = RunMode::FullSize;
  PreviewBox box;  ///< the box previews are made to fit
  int threads = 0; ///< 0: workerThreads()
  uint64_t memoryBudget = defaultMemoryBudget();
  /// Bits kept of every channel; previews are always blended at 8.
  SampleDepth depth = SampleDepth::Eight;
  /// Whether image 1's EXIF, XMP and IPTC are read for the result to carry on.
  bool withMetadata = true;
  /// The model every source is aligned to image 1 with; nothing blends them as they stand.
  std::optional<AlignModel> alignment;
  /// Whether the sensor's hot pixels are replaced in every source by the mean of their
  /// neighbours (found in the master dark, or without darks in the sources themselves).
  bool removeHotPixels = false;
  /// Whether the outcome keeps the master dark made of the set's darks.
  bool keepMasterDark = false;
  /// Whether the gaps star trails leave between consecutive frames are closed ("Brightest" and
  /// "Comet trails" only), and the bridge's length in pixels if not measured on the frames.
  bool closeGaps = false;
  std::optional<double> gapPixels;
  /// Where each step of a time-lapse goes, the blend after every image; null: no time-lapse.
  StepSink *sequence = nullptr;
  /// With a time-lapse, how many of the last images each step blends (0: all of them).
  int window = 0;
  /// Whether frames far brighter than the rest (median + 5 MAD of the means) are left out.
  bool skipBrightFrames = false;
  /// Whether the run also makes the rule's map; a rule without one refuses before anything is
  /// decoded.
  bool withMap = false;

  /// Every field, so that a field added here counts wherever requests are compared (a result
  /// kept for a later save is one); it needs a comparison of its own to compile.
  bool operator==(const BlendRequest &) const = default;
};

} // namespace lumicomb
