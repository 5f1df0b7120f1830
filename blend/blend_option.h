#pragma once
// The blend rules as the windows and the command line know them, and the dispatch to each.
#include "blend/band_rule.h"
#include "blend/sweep_rule.h"
#include "engine/window_operations.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumicomb {

struct BlendOptionInfo {
  int index;
  std::string caption;     ///< as the rule group shows it
  std::string commandName; ///< as lumicomb-cli accepts it; empty for rules it does not offer
};

/// The ten entries of the rule group, by index 0-9.
const std::vector<BlendOptionInfo> &blendOptions();

/// The entry named by `text`: a command name, or an index 0-8.
std::optional<int> blendOptionFromCommandName(const std::string &text);

/// A rule ready to run: exactly one of the two is set, and says which pass runs it.
struct BlendRule {
  std::unique_ptr<SweepRule> sweep;
  std::unique_ptr<BandRule> band;
};

/// The message with which the rule of `index` refuses `sources` images, if it does.
std::optional<std::string> sourceCountRefusal(int index, int sources);

/// The rule of the given index, set up from the window's boxes, whose text is checked here,
/// before any file is touched. Fails for an index without a rule.
BlendRule makeBlendRule(int index, WindowOperations &window);

} // namespace lumicomb
