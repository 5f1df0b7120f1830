#pragma once
// "Brightest" and "Darkest": each channel on its own keeps its extreme over all sources.
#include "rules/sweep_rule.h"

#include <memory>

namespace lumicomb {

/// Each channel: the largest value among the sources.
std::unique_ptr<SweepRule> brightestRule();

/// Each channel: the smallest value among the sources.
std::unique_ptr<SweepRule> darkestRule();

} // namespace lumicomb
