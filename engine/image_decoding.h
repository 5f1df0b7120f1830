#pragma once
// Turning an image file into the 8-bit RGB picture a viewer shows, or a failure naming the file.
#include "engine/bitmap.h"
#include "engine/tracked_file.h"

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

/// Why a file whose content the library does not know as a readable picture is refused.
inline constexpr const char *kNotAnImage = "not an image file FreeImage can decode";

/// The format the file's content is in, told by the library, with the file rewound to its start;
/// FIF_UNKNOWN when the library cannot read it.
FREE_IMAGE_FORMAT readableFormat(FreeImageIO &io, TrackedFile &file);

/// Decodes the whole file; the format is told from the content, never from the extension.
/// Refuses files the library cannot identify or decode, and JPEG or BMP data that ends early.
DecodedImage decodeImageFile(const std::string &path);

/// Any pixel format as 24-bit RGB: palettes and grey expanded, 16-bit channels scaled to 8,
/// alpha dropped.
Bitmap toRgb24(Bitmap picture, const std::string &pathForMessages);

} // namespace lumicomb
