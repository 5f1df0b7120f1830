#pragma once
// The picture size a PNG, BMP or JPEG file claims, read straight from its header bytes. The
// library refuses a header with a side of 0 in words of its own ("Invalid IHDR data"); this lets
// the message say what the file claims instead. For JPEG it is also the header itself: the
// library's header-only load of a progressive JPEG reads every scan of the file.
#include <FreeImage.h>

#include <cstdint>
#include <cstdio>
#include <optional>

namespace lumicomb {

struct ClaimedSize {
  int64_t width = 0;
  int64_t height = 0;
  int channels = 0; ///< for JPEG: the components of its frame; 0 where it is not read
};

/// The size in the header of a PNG, BMP or JPEG stream, which is left at its start; nothing for
/// other formats or when the header is cut short.
std::optional<ClaimedSize> claimedSize(std::FILE *stream, FREE_IMAGE_FORMAT format);

} // namespace lumicomb
