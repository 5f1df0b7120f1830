#include "blend/blend_option.h"

#include "blend/average.h"
#include "engine/errors.h"

namespace lumicomb {

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

std::unique_ptr<SweepRule> makeBlendRule(int index, WindowOperations &window) {
  switch (index) {
  case 0:
    return BlendAverage();
  case 1:
    return BlendSumDivide(window.divisorText());
  default:
    break;
  }
  const auto &options = blendOptions();
  const std::string name = index >= 0 && index < static_cast<int>(options.size())
                               ? "\"" + options[static_cast<size_t>(index)].caption + "\""
                               : "blend option " + std::to_string(index);
  throw LumicombError(ErrorKind::NotAvailable, name + ": rule not available yet");
}

} // namespace lumicomb
