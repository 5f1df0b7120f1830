#pragma once
// TIFF files the library's TIFF reader cannot take. For samples of fewer than 8 bits stored
// several to a pixel or in separate planes, and for two-sample CMYK in separate planes, it copies
// samples zero bytes wide, which stops the program on an assertion or never ends. For colour
// spaces it reads through RGBA (YCbCr, CIELab), it sizes its buffer in 32 bits, so a picture of
// 2^32 pixels or more is written far past the buffer's end. The first image's tags are read
// here, before the library decodes a pixel.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace lumicomb {

/// Why the TIFF stream's first image cannot be decoded safely, in words fit for a message, or
/// nothing. The stream is left at its start. Where a tag appears twice or cannot be read, every
/// value it might stand for is weighed, so that no reading of the file can get through.
std::optional<std::string> unreadableTiffLayout(std::FILE *stream);

/// The library's TIFF reader moves to the EXIF directory before it copies the first image's
/// colour profile, and libtiff frees the profile as it leaves the first directory: the copy
/// reads freed memory, which is unmapped for a large profile. Lumicomb reads EXIF with Exiv2, so
/// the library need not see the pointer to it. This is where the low byte of that entry's tag
/// number lies in the stream, if the first directory has one; read one higher, it names a tag
/// no reader knows. The stream is left at its start.
std::optional<uint64_t> exifPointerTagLowByte(std::FILE *stream);

/// How the first image stands, as its directory's Orientation tag says.
struct TiffOrientation {
  int value = 1;           ///< 1-8; 1 when the tag is absent or outside that range
  bool unreadable = false; ///< the tag is there, but its value cannot be read
};

/// The first directory's orientation, or nothing when the stream holds no TIFF. Read here and
/// not by the metadata library, which refuses BigTIFF files whole. The stream is left at its
/// start.
std::optional<TiffOrientation> tiffOrientation(std::FILE *stream);

/// Whether the library's TIFF reader decodes the first image through libtiff's RGBA interface
/// (YCbCr and the Lab spaces), which already mirrors the picture as its orientation says (see
/// orientationAfterMirroring). The stream is left at its start.
bool readerMirrorsByOrientation(std::FILE *stream);

/// Why a TIFF picture of this size cannot be decoded safely, or nothing.
std::optional<std::string> unreadableTiffSize(int64_t width, int64_t height);

} // namespace lumicomb
