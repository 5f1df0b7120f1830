#pragma once
// The whole-frame rules, their parameters and their factories: "Sharpest" (focus stacking) and
// "Exposure fusion".
#include "base/sample_depth.h"
#include "fusion/frame_rule.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lumicomb {

enum class FocusMethod {
  /// Every band of detail from the frame where it is strongest: the sharpest result.
  Pyramid,
  /// A smooth depth index from a focus measure, each position blended from the two frames
  /// nearest it: quieter on noisy stacks, for frames in focus order.
  DepthMap,
};

/// The method a command-line name stands for ("pyramid", "depth-map"), or nothing.
std::optional<FocusMethod> focusMethodNamed(std::string_view name);
/// Every method's name, joined by " | ".
std::string focusMethodNames();

struct FocusParameters {
  FocusMethod method = FocusMethod::Pyramid;
  /// The side of the square over which a frame's sharpness at a position is measured, at every
  /// level of detail: odd, 1-15.
  int activityWindow = 5;
  /// Whether isolated choices of a frame are replaced by the choice around them.
  bool consistency = true;

  bool operator==(const FocusParameters &) const = default;
};

/// How much each quality of a pixel counts towards its frame's weight, each 0-1.
struct ExposureWeights {
  double exposure = 1.0;   ///< closeness of its brightness to the middle
  double saturation = 0.2; ///< its colourfulness
  double contrast = 0.0;   ///< the spread of brightness around it

  bool operator==(const ExposureWeights &) const = default;
};

std::unique_ptr<FrameRule> sharpestRule(const FocusParameters &parameters, SampleDepth depth);
std::unique_ptr<FrameRule> exposureFusionRule(const ExposureWeights &weights, SampleDepth depth);

} // namespace lumicomb
