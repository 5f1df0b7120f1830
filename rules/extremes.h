#pragma once
// "Brightest" and "Darkest": each channel on its own keeps its extreme over all sources.
#include "base/sample_depth.h"
#include "rules/sweep_rule.h"

#include <memory>

namespace lumicomb {

/// Each channel: the largest value among the sources.
std::unique_ptr<SweepRule> brightestRule(SampleDepth depth = SampleDepth::Eight);

/// Each channel: the smallest value among the sources.
std::unique_ptr<SweepRule> darkestRule(SampleDepth depth = SampleDepth::Eight);

} // namespace lumicomb
