#pragma once
// "Average" and "Sum and divide by": per-channel totals over all sources, divided.
#include "rules/sweep_rule.h"

#include <memory>
#include <string>

namespace lumicomb {

/// Each channel: total / N, rounded half to even.
std::unique_ptr<SweepRule> averageRule();

/// Each channel: total / divisor (1-255), rounded half to even, at most 255.
std::unique_ptr<SweepRule> sumAndDivideRule(int divisor);

} // namespace lumicomb
