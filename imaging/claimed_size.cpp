#include "imaging/claimed_size.h"

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

bool isFrameMarker(int marker) {
  // Start of frame: every kind but the huffman table (C4), arithmetic conditioning (CC) and the
  // JPEG extension (C8) markers that share the range.
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

/// Markers that stand alone, without a length: the restarts and TEM.
bool standsAlone(int marker) { return (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01; }

/// JPEG: the segments before the first scan are skipped by their lengths up to the frame
/// header, which holds the height, the width and the number of components.
std::optional<ClaimedSize> jpegSize(std::FILE *stream) {
  if (std::fgetc(stream) != 0xFF || std::fgetc(stream) != 0xD8)
    return std::nullopt;
  for (;;) {
    int marker = std::fgetc(stream);
    if (marker != 0xFF)
      return std::nullopt;
    while (marker == 0xFF) // fill bytes
      marker = std::fgetc(stream);
    if (marker == EOF || marker == 0xD9 || marker == 0xDA)
      return std::nullopt;
    if (standsAlone(marker))
      continue;
    unsigned char segment[8];
    if (std::fread(segment, 1, 2, stream) != 2)
      return std::nullopt;
    const int length = segment[0] << 8 | segment[1];
    if (length < 2)
      return std::nullopt;
    if (!isFrameMarker(marker)) {
      if (std::fseek(stream, length - 2, SEEK_CUR) != 0)
        return std::nullopt;
      continue;
    }
    if (length < 8 || std::fread(segment + 2, 1, 6, stream) != 6)
      return std::nullopt;
    return ClaimedSize{segment[5] << 8 | segment[6], segment[3] << 8 | segment[4], segment[7]};
  }
}

} // namespace

std::optional<ClaimedSize> claimedSize(std::FILE *stream, FREE_IMAGE_FORMAT format) {
  if (format == FIF_JPEG) {
    std::rewind(stream);
    std::optional<ClaimedSize> size = jpegSize(stream);
    std::rewind(stream);
    return size;
  }
  if (format != FIF_PNG && format != FIF_BMP)
    return std::nullopt;
  unsigned char bytes[32];
  std::rewind(stream);
  const size_t length = std::fread(bytes, 1, sizeof bytes, stream);
  std::rewind(stream);
  return format == FIF_PNG ? pngSize(bytes, length) : bmpSize(bytes, length);
}

} // namespace lumicomb
