#pragma once
// "Average" and "Sum and divide by": per-channel totals over all sources, divided.
#include "blend/sweep_rule.h"

#include <memory>
#include <string>

namespace lumicomb {

/// Each channel: total / N, rounded half to even.
std::unique_ptr<SweepRule> BlendAverage();

/// Each channel: total / divisor, rounded half to even, at most 255. The divisor text is checked
/// at once (see parseDivisor), before any file is touched.
std::unique_ptr<SweepRule> BlendSumDivide(const std::string &divisorText);

} // namespace lumicomb
