#pragma once
// Bringing a picture's samples into another colour profile, so that sources that were taken in
// different profiles blend as the same colours. A profile is ICC data; none counts as sRGB.
#include "imaging/bitmap.h"

#include <optional>
#include <string>
#include <vector>

namespace lumicomb {

/// Whether LittleCMS can use the profile; an empty one stands for sRGB and always can.
bool usableProfile(const std::vector<uint8_t> &profile);

/// Converts the picture's samples (24-bit or 48-bit RGB) from `from` into `to`, relative
/// colorimetric with black-point compensation; nothing happens when the two are the same.
/// Returns what is wrong with a profile that cannot be used, leaving the picture as it is.
std::optional<std::string> convertColours(FIBITMAP *picture, const std::vector<uint8_t> &from,
                                          const std::vector<uint8_t> &to);

} // namespace lumicomb
