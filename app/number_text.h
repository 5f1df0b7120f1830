#pragma once
// Reading the numbers users type into the rule boxes, where a request is built: the rules take
// them already checked.
#include "rules/rule_registry.h"

#include <string>

namespace lumicomb {

/// A number in the user's locale (or with a plain '.' decimal point), surrounding spaces
/// ignored, rounded half to even and checked to lie in 0-255. `what` names the box in messages.
int parseBoxByte(const std::string &text, const std::string &what);

/// parseBoxByte for the "Sum and divide by" box; a divisor that rounds to 0 is refused too.
int parseDivisor(const std::string &text);

/// parseBoxByte for the "Different from first by RGB value" box.
int parseLimit(const std::string &text);

/// The "Half-life (frames)" box: a positive number of images, decimals allowed (in the user's
/// locale or with a plain '.'), surrounding spaces ignored.
double parseHalfLife(const std::string &text);

/// The numbers of the rule's own box; the other boxes' texts are not looked at.
RuleParameters ruleParameters(const RuleDescription &rule, const std::string &divisorText,
                              const std::string &limitText, const std::string &halfLifeText = "10");

} // namespace lumicomb
