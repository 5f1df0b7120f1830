#pragma once
// "Median": each channel on its own takes the middle value over all sources; for an even count,
// the two middle values' mean, rounded half to even.
#include "base/sample_depth.h"
#include "rules/band_rule.h"

#include <memory>

namespace lumicomb {

std::unique_ptr<BandRule> medianRule(SampleDepth depth = SampleDepth::Eight);

} // namespace lumicomb
