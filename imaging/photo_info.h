#pragma once
// What a photograph's file says beyond its pixels, read with Exiv2 before it is decoded: how it
// stands (its orientation; a TIFF's is read from its first directory here), its colour profile,
// and, for image 1, the metadata the result carries on. Reading it never fails: what cannot be
// read is left out, with a warning.
#include "imaging/photo_metadata.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lumicomb {

struct PhotoInfo {
  /// The EXIF or TIFF orientation, 1-8; 1 when absent or outside that range.
  int orientation = 1;
  /// The embedded ICC profile; empty when the file has none, which counts as sRGB.
  std::vector<uint8_t> iccProfile;
  /// EXIF, XMP and IPTC, when asked for and readable; null otherwise.
  std::shared_ptr<const PhotoMetadata> metadata;
  /// What could not be read, one line each naming the file.
  std::vector<std::string> warnings;
};

/// Reads the file's orientation, colour profile and, when `withMetadata`, its metadata.
PhotoInfo readPhotoInfo(const std::string &path, bool withMetadata);

/// The same for a file's bytes in memory, called `name` in warnings.
PhotoInfo readPhotoInfo(const uint8_t *bytes, size_t size, const std::string &name,
                        bool withMetadata);

} // namespace lumicomb
