#pragma once
// A rule folded one image at a time, in order, whose blend can be taken after every image: the
// steps of a time-lapse of the stack. Pure like every rule: no files, threads or progress.
#include "base/sample_depth.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace lumicomb {

struct RuleDescription;
struct RuleParameters;

class RunningRule {
public:
  virtual ~RunningRule() = default;

  /// Creates the working arrays for images of width x height pixels.
  virtual void begin(int64_t width, int64_t height) = 0;
  /// Bytes of the working arrays begin() creates for the same size.
  virtual uint64_t workingBytes(int64_t width, int64_t height) const = 0;
  /// Image k (1-based) comes next: images come in order, 1, 2, ..., each announced once
  /// before its rows.
  virtual void beginImage(int k) = 0;
  /// Folds row y of image k, the image last announced; rows of it may come concurrently. A
  /// rule that keeps the largest value also takes rows of an earlier image (the bridges of a
  /// gap), which count as that image's.
  virtual void add(int k, int64_t y, const uint8_t *samples) = 0;
  /// Writes row y of the blend of the images so far (the last `window` of them, with one):
  /// what the same rule makes of those images run on their own.
  virtual void reduce(int64_t y, uint8_t *out) const = 0;
};

/// The rule of the registry's row folded in order, over the last `window` images (0: all), or
/// nothing for a rule that needs more than one sweep or that cannot take the window.
std::unique_ptr<RunningRule> makeRunningRule(const RuleDescription &rule,
                                             const RuleParameters &parameters, SampleDepth depth,
                                             int window = 0);

/// What is said when a time-lapse is asked of a rule that has none, and when a window is.
std::string runningRulesRefusal();
std::string windowRulesRefusal();

} // namespace lumicomb
