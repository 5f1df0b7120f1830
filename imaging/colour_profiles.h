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

/// Whether converting from `from` into `to` would leave every colour as it is (within the
/// tolerance convertColours allows); a profile that cannot be used never is.
bool sameColours(const std::vector<uint8_t> &from, const std::vector<uint8_t> &to);

/// Converts the picture's samples (24-bit or 48-bit RGB) from `from` into `to`, relative
/// colorimetric with black-point compensation; nothing happens when the two describe the same
/// colours, within two levels of 8 bits (an sRGB profile and none, say).
/// Returns what is wrong with a profile that cannot be used, leaving the picture as it is.
std::optional<std::string> convertColours(FIBITMAP *picture, const std::vector<uint8_t> &from,
                                          const std::vector<uint8_t> &to);

} // namespace lumicomb
