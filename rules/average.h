#pragma once
// "Average" and "Sum and divide by": per-channel totals over all sources, divided.
#include "base/sample_depth.h"
#include "rules/sweep_rule.h"

#include <memory>
#include <string>

namespace lumicomb {

/// Each channel: total / N, rounded half to even.
std::unique_ptr<SweepRule> averageRule(SampleDepth depth = SampleDepth::Eight);

/// Each channel: total / divisor (1-255), rounded half to even, at most the largest sample (255 or
/// 65535).
std::unique_ptr<SweepRule> sumAndDivideRule(int divisor, SampleDepth depth = SampleDepth::Eight);

} // namespace lumicomb
