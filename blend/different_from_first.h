#pragma once
// "Different from first by RGB value": a channel takes a later source's value where it differs
// from image 1's by at least the limit; the highest-numbered such source wins.
#include "blend/sweep_rule.h"

#include <memory>
#include <string>

namespace lumicomb {

/// The limit text is checked at once, like the divisor (see parseLimit), before any file is
/// touched.
std::unique_ptr<SweepRule> BlendDifferentFromFirst(const std::string &limitText);

} // namespace lumicomb
