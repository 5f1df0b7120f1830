#pragma once
// The time-lapse of a stack: the sources folded in order, and the blend after each one handed on
// as it is made, while the next sources are decoded.
#include "imaging/photo_metadata.h"
#include "passes/pass_context.h"
#include "rules/running_rule.h"

#include <memory>
#include <vector>

namespace lumicomb {

/// Where the steps of a time-lapse go.
class StepSink {
public:
  virtual ~StepSink() = default;
  /// Told before the first step what every step is in and of: image 1's colour profile (empty
  /// for sRGB) and metadata (null without).
  virtual void describe(const std::vector<uint8_t> &iccProfile,
                        std::shared_ptr<const PhotoMetadata> metadata) = 0;
  /// How many step pictures it may hold at once, waiting or being written: the pass counts them
  /// in its memory plan.
  virtual int picturesHeld() const = 0;
  /// Takes the step after image k: the blend of images 1..k, or of the last ones in a window.
  /// It may wait while it holds all it can; its failure fails the run.
  virtual void takeStep(int k, Bitmap picture) = 0;
};

/// The rules a time-lapse folds: the steps' (over a window, when one is asked for) and, with a
/// window, the whole stack's for the result.
struct SequenceRules {
  std::unique_ptr<RunningRule> steps;
  std::unique_ptr<RunningRule> whole;
};
/// Fails, saying which rules can, when the rule has no time-lapse, or none over a window.
SequenceRules sequenceRules(const RuleDescription &rule, const RuleParameters &parameters,
                            SampleDepth depth, int window);

/// Folds every source into `steps` in order (and into `whole`, when the steps blend a window
/// only) and hands the sink the blend after each, of the context's depth and size. Returns the
/// blend of every source. Bridges between frames k and k+1 (with gap filling) are folded when
/// frame k+1 is (or later, when the sky's move could not be measured before): as image k's, or
/// in a window as the image being folded, so that they leave with it.
/// Sources are decoded in parallel and folded as their turn comes (gatherSourcesInOrder).
Bitmap runSequencePass(const PassContext &context, RunningRule &steps, RunningRule *whole,
                       StepSink &sink, bool windowed);

} // namespace lumicomb
