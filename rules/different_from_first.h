#pragma once
// "Different from first by RGB value": a channel takes a later source's value where it differs
// from image 1's by at least the limit; the highest-numbered such source wins.
#include "rules/sweep_rule.h"

#include <memory>
#include <string>

namespace lumicomb {

/// `limit` is 0-255.
std::unique_ptr<SweepRule> differentFromFirstRule(int limit);

} // namespace lumicomb
