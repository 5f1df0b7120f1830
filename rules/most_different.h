#pragma once
// "Most different from average": each channel on its own keeps the source value farthest from
// the rounded average of all sources; on equal distance the later source wins.
#include "base/sample_depth.h"
#include "rules/band_rule.h"

#include <memory>

namespace lumicomb {

/// At 16 bits the average and the distances are taken on the 16-bit samples themselves.
std::unique_ptr<BandRule> mostDifferentRule(SampleDepth depth = SampleDepth::Eight);

} // namespace lumicomb
