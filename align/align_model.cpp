#include "align/align_model.h"

#include <array>
#include <utility>

namespace lumicomb {

namespace {

constexpr std::array<std::pair<AlignModel, std::string_view>, 4> kNames = {{
    {AlignModel::Translation, "translation"},
    {AlignModel::Similarity, "similarity"},
    {AlignModel::Affine, "affine"},
    {AlignModel::Homography, "homography"},
}};

} // namespace

std::optional<AlignModel> alignModelNamed(std::string_view name) {
  for (const auto &[model, modelName] : kNames)
    if (modelName == name)
      return model;
  return std::nullopt;
}

std::string alignModelName(AlignModel model) {
  for (const auto &[known, name] : kNames)
    if (known == model)
      return std::string(name);
  return {};
}

std::string alignModelNames() {
  std::string names;
  for (const auto &[model, name] : kNames)
    names += (names.empty() ? "" : " | ") + std::string(name);
  return names;
}

} // namespace lumicomb
