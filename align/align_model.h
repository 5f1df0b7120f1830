#pragma once
// How freely a handheld frame may have moved against image 1: the fewer freedoms, the fewer
// matches a fit needs and the less a bad match can bend it.
#include <optional>
#include <string>
#include <string_view>

namespace lumicomb {

enum class AlignModel {
  Translation, ///< a shift
  Similarity,  ///< a shift, a turn and a change of scale
  Affine,      ///< any parallelogram
  Homography,  ///< any quadrilateral: a change of viewpoint
};

/// The model a command-line name stands for ("translation", "similarity", "affine",
/// "homography"), or nothing.
std::optional<AlignModel> alignModelNamed(std::string_view name);
/// The model's command-line name.
std::string alignModelName(AlignModel model);
/// Every model's name, in the order above, joined by " | ".
std::string alignModelNames();

} // namespace lumicomb
