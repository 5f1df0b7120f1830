#pragma once
// The picture size a PNG or BMP file claims, read straight from its header bytes. The library
// refuses a header with a side of 0 in words of its own ("Invalid IHDR data"); this lets the
// message say what the file claims instead.
#include <FreeImage.h>

#include <cstdio>
#include <optional>

namespace lumicomb {

struct ClaimedSize {
  int64_t width = 0;
  int64_t height = 0;
};

/// The size in the header of a PNG or BMP stream, which is left at its start; nothing for
/// other formats or when the header is cut short.
std::optional<ClaimedSize> claimedSize(std::FILE *stream, FREE_IMAGE_FORMAT format);

} // namespace lumicomb
