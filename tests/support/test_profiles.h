#pragma once
// Colour profiles for the tests, made with LittleCMS rather than shipped as files.
#include "imaging/bitmap.h"

#include <cstdint>
#include <vector>

namespace lumicomb::test {

/// An RGB profile with Adobe RGB's primaries and a gamma of 2.2.
std::vector<uint8_t> wideGamutProfile();

/// LittleCMS's own sRGB profile, which differs in its bytes from what cameras embed but not in
/// its colours.
std::vector<uint8_t> sRGBProfile();

/// Embeds the profile in the bitmap, for the library to write with it.
void embedProfile(FIBITMAP *bitmap, const std::vector<uint8_t> &profile);

} // namespace lumicomb::test
