#pragma once
// "Most different from average": each channel on its own keeps the source value farthest from
// the rounded average of all sources; on equal distance the later source wins.
#include "rules/band_rule.h"

#include <memory>

namespace lumicomb {

std::unique_ptr<BandRule> mostDifferentRule();

} // namespace lumicomb
