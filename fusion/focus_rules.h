#pragma once
// The two methods of "Sharpest", each a rule of its own.
#include "fusion/fusion_rules.h"

namespace lumicomb {

std::unique_ptr<FrameRule> pyramidFocusRule(const FocusParameters &parameters, SampleDepth depth);
std::unique_ptr<FrameRule> depthMapFocusRule(const FocusParameters &parameters, SampleDepth depth);

} // namespace lumicomb
