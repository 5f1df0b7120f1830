#include "engine/image_decoding.h"

#include "engine/errors.h"
#include "engine/library_messages.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lumicomb {
namespace {

[[noreturn]] void refuse(const std::string &path, const std::string &reason) {
  throw LumicombError(ErrorKind::BadFile, "cannot read " + quoted(path) + ": " + reason);
}

FREE_IMAGE_FORMAT identify(const std::string &path) {
  if (std::FILE *file = std::fopen(path.c_str(), "rb"))
    std::fclose(file);
  else
    refuse(path, std::strerror(errno));
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
  if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(format))
    refuse(path, "not an image file FreeImage can decode");
  return format;
}

std::string libraryReason(const LibraryMessages &messages, const std::string &fallback) {
  return messages.text().empty() ? fallback : messages.text();
}

ImageHeader headerOf(FIBITMAP *bitmap) {
  return {widthOf(bitmap), heightOf(bitmap), static_cast<int>(FreeImage_GetBPP(bitmap))};
}

Bitmap convertedOrRefused(FIBITMAP *converted, const std::string &path) {
  if (!converted)
    refuse(path, "its pixel format cannot be turned into 8-bit RGB");
  return Bitmap(converted);
}

} // namespace

Bitmap toRgb24(Bitmap picture, const std::string &path) {
  FIBITMAP *source = picture.get();
  switch (FreeImage_GetImageType(source)) {
  case FIT_BITMAP:
    if (FreeImage_GetBPP(source) == 24)
      return picture;
    return convertedOrRefused(FreeImage_ConvertTo24Bits(source), path);
  case FIT_RGB16:
  case FIT_RGBA16:
    return convertedOrRefused(FreeImage_ConvertTo24Bits(source), path);
  case FIT_RGBF:
  case FIT_RGBAF: {
    return toRgb24(convertedOrRefused(FreeImage_ToneMapping(source, FITMO_DRAGO03), path), path);
  }
  default: {
    // Single-channel samples (16-bit grey and wider) become 8-bit grey first.
    FIBITMAP *grey = FreeImage_GetImageType(source) == FIT_UINT16
                         ? FreeImage_ConvertTo8Bits(source)
                         : FreeImage_ConvertToStandardType(source, TRUE);
    return toRgb24(convertedOrRefused(grey, path), path);
  }
  }
}

DecodedImage decodeImageFile(const std::string &path) {
  const FREE_IMAGE_FORMAT format = identify(path);
  LibraryMessages messages;
  Bitmap original(FreeImage_Load(format, path.c_str(), 0));
  if (!original || !FreeImage_HasPixels(original.get()))
    refuse(path, libraryReason(messages, "the decoder failed"));
  if (format == FIF_JPEG && messages.contains("Premature end of JPEG file"))
    refuse(path, "the file is damaged (its JPEG data ends early)");
  DecodedImage decoded;
  decoded.header = headerOf(original.get());
  decoded.rgb = toRgb24(std::move(original), path);
  return decoded;
}

ImageHeader readImageHeader(const std::string &path) {
  const FREE_IMAGE_FORMAT format = identify(path);
  LibraryMessages messages;
  const int flags = FreeImage_FIFSupportsNoPixels(format) ? FIF_LOAD_NOPIXELS : 0;
  Bitmap header(FreeImage_Load(format, path.c_str(), flags));
  if (!header)
    refuse(path, libraryReason(messages, "the decoder failed"));
  return headerOf(header.get());
}

} // namespace lumicomb
