#include "engine/image_decoding.h"

#include "engine/errors.h"
#include "engine/library_messages.h"
#include "engine/tracked_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lumicomb {
namespace {

[[noreturn]] void refuse(const std::string &path, const std::string &reason) {
  throw LumicombError(ErrorKind::BadFile, "cannot read " + quoted(path) + ": " + reason);
}

FREE_IMAGE_FORMAT identify(FreeImageIO &io, TrackedFile &file, const std::string &path) {
  const FREE_IMAGE_FORMAT format = readableFormat(io, file);
  if (format == FIF_UNKNOWN)
    refuse(path, kNotAnImage);
  return format;
}

/// Decoders that stop quietly at the end of the data, leaving the rest of the picture black.
bool endedEarly(FREE_IMAGE_FORMAT format, const TrackedFile &file,
                const LibraryMessages &messages) {
  if (format == FIF_JPEG)
    return messages.contains("Premature end of JPEG file");
  return format == FIF_BMP && file.shortRead;
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

FREE_IMAGE_FORMAT readableFormat(FreeImageIO &io, TrackedFile &file) {
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromHandle(&io, &file, 0);
  rewindFile(file);
  return FreeImage_FIFSupportsReading(format) ? format : FIF_UNKNOWN;
}

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
  FileBuffer buffer;
  TrackedFile file{std::fopen(path.c_str(), "rb")};
  if (!file.file)
    refuse(path, std::strerror(errno));
  const FileCloser closer{file.file};
  useLargeBuffer(file.file, buffer);
  FreeImageIO io = trackedFileIo();
  const FREE_IMAGE_FORMAT format = identify(io, file, path);

  LibraryMessages messages;
  Bitmap original(FreeImage_LoadFromHandle(format, &io, &file, 0));
  if (!original || !FreeImage_HasPixels(original.get()))
    refuse(path, libraryReason(messages, "the decoder failed"));
  if (endedEarly(format, file, messages))
    refuse(path, "the file is damaged (its data ends early)");
  DecodedImage decoded;
  decoded.header = headerOf(original.get());
  decoded.rgb = toRgb24(std::move(original), path);
  return decoded;
}

} // namespace lumicomb
