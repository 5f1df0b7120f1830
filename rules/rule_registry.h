#pragma once
// Every blend rule's facts in one table, one row per rule-group index: what the windows and the
// command line call it, how many images it takes, the box it reads, which pass runs it and how it
// is made. The command line, the image window, the refusals and the dispatch all read it, so a
// new rule is one rule file, one row and its tests.
#include "base/sample_depth.h"
#include "fusion/fusion_rules.h"
#include "rules/band_rule.h"
#include "rules/sweep_rule.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumicomb {

/// The box a rule reads: none, one, or for the rejecting means the two "Low κ" and "High κ".
enum class RuleParameter { None, Divisor, Limit, HalfLife, Kappas };
enum class PassKind { None, Sweep, Band, Frames };

/// What a rule's map holds at each pixel, if it makes one: the 1-based number of the frame the
/// result took (its green sample), or how many samples were rejected, over the three channels.
enum class MapKind { None, FrameNumbers, RejectedCounts };

/// The numbers a rule reads from its box, already read and checked.
struct RuleParameters {
  int divisor = 1;            ///< 1-255
  int limit = 5;              ///< 0-255
  double halfLife = 10;       ///< in images; positive and finite
  FocusParameters focus{};    ///< "Sharpest"
  ExposureWeights exposure{}; ///< "Exposure fusion"
  double kappaLow = 4;        ///< above 0
  double kappaHigh = 3;       ///< above 0
  bool operator==(const RuleParameters &) const = default;
};

/// A rule ready to run: exactly one of the three is set, the one its pass takes.
struct BlendRule {
  std::unique_ptr<SweepRule> sweep;
  std::unique_ptr<BandRule> band;
  std::unique_ptr<FrameRule> frames;
};

/// The images a rule takes, and what it says to any other number.
struct SourceCount {
  int least = 1;
  int most = INT32_MAX;
  const char *refusal = nullptr;
};

struct RuleDescription {
  int index;
  const char *caption;     ///< as the rule group shows it
  const char *commandName; ///< as lumicomb-cli takes it; empty for an entry it does not offer
  SourceCount sources;
  RuleParameter parameter;
  const char *defaultText; ///< what the parameter's box holds at first; empty without one
  PassKind pass;
  /// Null for an entry with no rule behind it.
  BlendRule (*make)(const RuleParameters &, SampleDepth);
  MapKind map = MapKind::None;
  const char *secondDefaultText = ""; ///< what a second box holds at first
};

/// The entries of the rule group, by index from 0.
const std::vector<RuleDescription> &ruleRegistry();

/// The row of `index`; anything outside the table fails as out of range.
const RuleDescription &ruleDescription(int index);

/// The row named by `text`: a command name, or the index of a row the command line offers.
std::optional<int> ruleIndexFromCommandName(const std::string &text);

/// The rows whose rule makes a map, in registry order.
std::vector<const RuleDescription *> rulesWithMaps();

/// The rule's message for `sources` images, if it refuses that number.
std::optional<std::string> sourceCountRefusal(const RuleDescription &rule, int sources);

/// The row's rule, made with the parameters for rows of samples of the depth; an entry without a
/// rule fails, naming it.
BlendRule makeRule(const RuleDescription &rule, const RuleParameters &parameters,
                   SampleDepth depth = SampleDepth::Eight);

} // namespace lumicomb
