#pragma once
// "Different from first by RGB value": a channel takes a later source's value where it differs
// from image 1's by at least the limit; the highest-numbered such source wins.
#include "base/sample_depth.h"
#include "rules/sweep_rule.h"

#include <memory>
#include <string>

namespace lumicomb {

/// `limit` is 0-255. At 16 bits the limit is taken on the samples' 8-bit equivalents, so the rule
/// decides as it does at 8 bits, and keeps the 16-bit samples.
std::unique_ptr<SweepRule> differentFromFirstRule(int limit,
                                                  SampleDepth depth = SampleDepth::Eight);

} // namespace lumicomb
