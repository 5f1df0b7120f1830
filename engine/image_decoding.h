#pragma once
// Turning an image file into the 8-bit RGB picture a viewer shows, or a failure naming the file.
#include "engine/bitmap.h"

#include <string>

namespace lumicomb {

struct ImageHeader {
  int64_t width = 0;
  int64_t height = 0;
  int bitsPerPixel = 0; ///< the depth stored in the file, before any conversion
};

struct DecodedImage {
  Bitmap rgb; ///< always 24-bit RGB
  ImageHeader header;
};

/// Decodes the whole file; the format is told from the content, never from the extension.
/// Refuses files the library cannot identify or decode, and JPEG or BMP data that ends early.
DecodedImage decodeImageFile(const std::string &path);

/// Any pixel format as 24-bit RGB: palettes and grey expanded, 16-bit channels scaled to 8,
/// alpha dropped.
Bitmap toRgb24(Bitmap picture, const std::string &pathForMessages);

} // namespace lumicomb
