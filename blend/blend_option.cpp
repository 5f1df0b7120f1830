#include "blend/blend_option.h"

#include "blend/average.h"
#include "blend/average_of_commonest.h"
#include "blend/different_from_first.h"
#include "blend/dynamic_range.h"
#include "blend/extremes.h"
#include "blend/median.h"
#include "blend/most_different.h"
#include "engine/errors.h"

namespace lumicomb {
namespace {

constexpr int kMedian = 4;
constexpr int kAverageOfCommonest = 5;
constexpr int kMostDifferent = 7;
constexpr int kDynamicRange = 8;

BlendRule sweeping(std::unique_ptr<SweepRule> rule) { return {std::move(rule), nullptr}; }
BlendRule banded(std::unique_ptr<BandRule> rule) { return {nullptr, std::move(rule)}; }

} // namespace

const std::vector<BlendOptionInfo> &blendOptions() {
  static const std::vector<BlendOptionInfo> options = {
      {0, "Average", "average"},
      {1, "Sum and divide by", "sum-and-divide"},
      {2, "Brightest", "brightest"},
      {3, "Darkest", "darkest"},
      {4, "Median", "median"},
      {5, "Average of commonest", "average-of-commonest"},
      {6, "Different from first by RGB value", "different-from-first"},
      {7, "Most different from average", "most-different-from-average"},
      {8, "Dynamic range (max 2 images)", "dynamic-range"},
      {9, "Sharpest", ""},
  };
  return options;
}

std::optional<int> blendOptionFromCommandName(const std::string &text) {
  for (const BlendOptionInfo &option : blendOptions()) {
    if (option.commandName.empty())
      continue;
    if (text == option.commandName || text == std::to_string(option.index))
      return option.index;
  }
  return std::nullopt;
}

std::optional<std::string> sourceCountRefusal(int index, int sources) {
  switch (index) {
  case kMedian:
  case kAverageOfCommonest:
  case kMostDifferent:
    if (sources < 3)
      return "Minimum 3 images required for this mode";
    break;
  case kDynamicRange:
    if (sources != 2)
      return "Exactly 2 images required for this mode";
    break;
  default:
    break;
  }
  return std::nullopt;
}

BlendRule makeBlendRule(int index, WindowOperations &window) {
  switch (index) {
  case 0:
    return sweeping(BlendAverage());
  case 1:
    return sweeping(BlendSumDivide(window.divisorText()));
  case 2:
    return sweeping(BlendBrightest());
  case 3:
    return sweeping(BlendDarkest());
  case kMedian:
    return banded(BlendMedian());
  case kAverageOfCommonest:
    return banded(BlendAverageOfCommonest());
  case 6:
    return sweeping(BlendDifferentFromFirst(window.limitText()));
  case kMostDifferent:
    return banded(BlendMostDifferent());
  case kDynamicRange:
    return banded(BlendDynamicRange());
  default:
    break;
  }
  const auto &options = blendOptions();
  const std::string name = index >= 0 && index < static_cast<int>(options.size())
                               ? "\"" + options[static_cast<size_t>(index)].caption + "\""
                               : "blend option " + std::to_string(index);
  throw LumicombError(ErrorKind::NotAvailable, name + " has no blend rule");
}

} // namespace lumicomb
