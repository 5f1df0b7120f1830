#include "fusion/fusion_rules.h"

#include "fusion/focus_rules.h"

#include <array>
#include <utility>

namespace lumicomb {
namespace {

constexpr std::array<std::pair<FocusMethod, std::string_view>, 2> kMethodNames = {{
    {FocusMethod::Pyramid, "pyramid"},
    {FocusMethod::DepthMap, "depth-map"},
}};

} // namespace

std::optional<FocusMethod> focusMethodNamed(std::string_view name) {
  for (const auto &[method, methodName] : kMethodNames)
    if (methodName == name)
      return method;
  return std::nullopt;
}

std::string focusMethodNames() {
  std::string names;
  for (const auto &[method, name] : kMethodNames)
    names += (names.empty() ? "" : " | ") + std::string(name);
  return names;
}

std::unique_ptr<FrameRule> sharpestRule(const FocusParameters &parameters, SampleDepth depth) {
  if (parameters.method == FocusMethod::DepthMap)
    return depthMapFocusRule(parameters, depth);
  return pyramidFocusRule(parameters, depth);
}

} // namespace lumicomb
