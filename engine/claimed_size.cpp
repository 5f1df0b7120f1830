#include "engine/claimed_size.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace lumicomb {
namespace {

uint32_t bigEndian32(const unsigned char *at) {
  return uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | at[3];
}

uint32_t littleEndian32(const unsigned char *at) {
  return uint32_t{at[3]} << 24 | uint32_t{at[2]} << 16 | uint32_t{at[1]} << 8 | at[0];
}

uint16_t littleEndian16(const unsigned char *at) { return uint16_t(at[1] << 8 | at[0]); }

/// PNG: the signature, then the IHDR chunk with width and height first.
std::optional<ClaimedSize> pngSize(const unsigned char *bytes, size_t length) {
  if (length < 24 || std::memcmp(bytes + 12, "IHDR", 4) != 0)
    return std::nullopt;
  return ClaimedSize{bigEndian32(bytes + 16), bigEndian32(bytes + 20)};
}

/// BMP: the file header, then an info header whose size tells its kind; a negative height
/// marks rows stored top down.
std::optional<ClaimedSize> bmpSize(const unsigned char *bytes, size_t length) {
  if (length < 26)
    return std::nullopt;
  if (littleEndian32(bytes + 14) == 12)
    return ClaimedSize{littleEndian16(bytes + 18), littleEndian16(bytes + 20)};
  const auto height = static_cast<int32_t>(littleEndian32(bytes + 22));
  return ClaimedSize{static_cast<int32_t>(littleEndian32(bytes + 18)),
                     std::llabs(static_cast<long long>(height))};
}

} // namespace

std::optional<ClaimedSize> claimedSize(std::FILE *stream, FREE_IMAGE_FORMAT format) {
  if (format != FIF_PNG && format != FIF_BMP)
    return std::nullopt;
  unsigned char bytes[32];
  std::rewind(stream);
  const size_t length = std::fread(bytes, 1, sizeof bytes, stream);
  std::rewind(stream);
  return format == FIF_PNG ? pngSize(bytes, length) : bmpSize(bytes, length);
}

} // namespace lumicomb
