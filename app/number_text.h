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

/// A kappa of the rejecting means, read as the half-life is; `what` names the box in messages.
double parseKappa(const std::string &text, const std::string &what);

/// What the rule boxes hold, as typed.
struct RuleBoxTexts {
  std::string divisor = "1";
  std::string limit = "5";
  std::string halfLife = "10";
  std::string kappaLow = "4";
  std::string kappaHigh = "3";
};

/// The numbers of the rule's own boxes; the other boxes' texts are not looked at.
RuleParameters ruleParameters(const RuleDescription &rule, const RuleBoxTexts &texts);

/// The same for the rules with one box.
RuleParameters ruleParameters(const RuleDescription &rule, const std::string &divisorText,
                              const std::string &limitText, const std::string &halfLifeText = "10");

} // namespace lumicomb
