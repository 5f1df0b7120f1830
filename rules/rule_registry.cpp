#include "rules/rule_registry.h"

#include "base/errors.h"
#include "rules/average.h"
#include "rules/average_of_commonest.h"
#include "rules/comet_trails.h"
#include "rules/different_from_first.h"
#include "rules/dynamic_range.h"
#include "rules/extremes.h"
#include "rules/median.h"
#include "rules/most_different.h"
#include "rules/rejection_means.h"

namespace lumicomb {
namespace {

constexpr SourceCount kAnyCount{};
constexpr SourceCount kThreeOrMore{3, INT32_MAX, "Minimum 3 images required for this mode"};
constexpr SourceCount kExactlyTwo{2, 2, "Exactly 2 images required for this mode"};
constexpr SourceCount kTwoOrMore{2, INT32_MAX, "Minimum 2 images required for this mode"};

template <std::unique_ptr<SweepRule> (*Make)(SampleDepth)>
BlendRule sweep(const RuleParameters &, SampleDepth depth) {
  return {Make(depth), nullptr, nullptr};
}

template <std::unique_ptr<BandRule> (*Make)(SampleDepth)>
BlendRule band(const RuleParameters &, SampleDepth depth) {
  return {nullptr, Make(depth), nullptr};
}

BlendRule sumAndDivide(const RuleParameters &parameters, SampleDepth depth) {
  return {sumAndDivideRule(parameters.divisor, depth), nullptr, nullptr};
}

BlendRule differentFromFirst(const RuleParameters &parameters, SampleDepth depth) {
  return {differentFromFirstRule(parameters.limit, depth), nullptr, nullptr};
}

BlendRule cometTrails(const RuleParameters &parameters, SampleDepth depth) {
  return {cometTrailsRule(parameters.halfLife, depth), nullptr, nullptr};
}

BlendRule sharpest(const RuleParameters &parameters, SampleDepth depth) {
  return {nullptr, nullptr, sharpestRule(parameters.focus, depth)};
}

BlendRule exposureFusion(const RuleParameters &parameters, SampleDepth depth) {
  return {nullptr, nullptr, exposureFusionRule(parameters.exposure, depth)};
}

template <std::unique_ptr<BandRule> (*Make)(rejection::Kappas, SampleDepth)>
BlendRule rejecting(const RuleParameters &parameters, SampleDepth depth) {
  return {nullptr, Make({parameters.kappaLow, parameters.kappaHigh}, depth), nullptr};
}

} // namespace

const std::vector<RuleDescription> &ruleRegistry() {
  using enum RuleParameter;
  constexpr PassKind kSweep = PassKind::Sweep;
  constexpr PassKind kBand = PassKind::Band;
  constexpr PassKind kFrames = PassKind::Frames;
  constexpr MapKind kFrameNumbers = MapKind::FrameNumbers;
  constexpr MapKind kRejections = MapKind::RejectedCounts;
  static const std::vector<RuleDescription> rules = {
      {0, "Average", "average", kAnyCount, None, "", kSweep, sweep<averageRule>},
      {1, "Sum and divide by", "sum-and-divide", kAnyCount, Divisor, "1", kSweep, sumAndDivide},
      {2, "Brightest", "brightest", kAnyCount, None, "", kSweep, sweep<brightestRule>,
       kFrameNumbers},
      {3, "Darkest", "darkest", kAnyCount, None, "", kSweep, sweep<darkestRule>, kFrameNumbers},
      {4, "Median", "median", kThreeOrMore, None, "", kBand, band<medianRule>},
      {5, "Average of commonest", "average-of-commonest", kThreeOrMore, None, "", kBand,
       band<averageOfCommonestRule>},
      {6, "Different from first by RGB value", "different-from-first", kAnyCount, Limit, "5",
       kSweep, differentFromFirst},
      {7, "Most different from average", "most-different-from-average", kThreeOrMore, None, "",
       kBand, band<mostDifferentRule>},
      {8, "Dynamic range (max 2 images)", "dynamic-range", kExactlyTwo, None, "", kBand,
       band<dynamicRangeRule>},
      {9, "Sharpest", "sharpest", kTwoOrMore, None, "", kFrames, sharpest, kFrameNumbers},
      {10, "Comet trails", "comet", kAnyCount, HalfLife, "10", kSweep, cometTrails, kFrameNumbers},
      {11, "Exposure fusion", "exposure-fusion", kTwoOrMore, None, "", kFrames, exposureFusion},
      {12, "Sigma-clipped mean", "sigma-clipped-mean", kThreeOrMore, Kappas, "4", kBand,
       rejecting<sigmaClippedMeanRule>, kRejections, "3"},
      {13, "Winsorized mean", "winsorized-mean", kThreeOrMore, Kappas, "4", kBand,
       rejecting<winsorizedMeanRule>, kRejections, "3"},
  };
  return rules;
}

const RuleDescription &ruleDescription(int index) {
  const auto &rules = ruleRegistry();
  if (index < 0 || index >= static_cast<int>(rules.size()))
    throw LumicombError(ErrorKind::OutOfRange, "blend option " + std::to_string(index) +
                                                   " is not one of 0-" +
                                                   std::to_string(rules.size() - 1));
  return rules[static_cast<size_t>(index)];
}

std::optional<int> ruleIndexFromCommandName(const std::string &text) {
  for (const RuleDescription &rule : ruleRegistry()) {
    if (*rule.commandName == '\0')
      continue;
    if (text == rule.commandName || text == std::to_string(rule.index))
      return rule.index;
  }
  return std::nullopt;
}

std::vector<const RuleDescription *> rulesWithMaps() {
  std::vector<const RuleDescription *> rules;
  for (const RuleDescription &rule : ruleRegistry())
    if (rule.map != MapKind::None)
      rules.push_back(&rule);
  return rules;
}

std::optional<std::string> sourceCountRefusal(const RuleDescription &rule, int sources) {
  if (sources < rule.sources.least || sources > rule.sources.most)
    return rule.sources.refusal;
  return std::nullopt;
}

BlendRule makeRule(const RuleDescription &rule, const RuleParameters &parameters,
                   SampleDepth depth) {
  if (!rule.make)
    throw LumicombError(ErrorKind::NotAvailable,
                        "\"" + std::string(rule.caption) + "\" has no blend rule");
  return rule.make(parameters, depth);
}

} // namespace lumicomb
