#pragma once
// "Dynamic range (max 2 images)": every channel is the mean of the two sources, rounded half to
// even.
#include "base/sample_depth.h"
#include "rules/band_rule.h"

#include <memory>

namespace lumicomb {

/// For exactly two sources; the run refuses any other count before this rule is made.
std::unique_ptr<BandRule> dynamicRangeRule(SampleDepth depth = SampleDepth::Eight);

} // namespace lumicomb
