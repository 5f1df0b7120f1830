#pragma once
// Turning an image file into the 8-bit RGB picture a viewer shows, or a failure naming the file.
// The header is read before any pixel, so that a file of a format Lumicomb does not stack, or
// one claiming a picture too large for the memory budget, costs one small read.
#include "imaging/bitmap.h"
#include "imaging/photo_info.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace lumicomb {

struct ImageHeader {
  int64_t width = 0; ///< as the picture stands upright
  int64_t height = 0;
  int bitsPerPixel = 0; ///< the depth stored in the file, before any conversion
  int orientation = 1;  ///< how it is stored (see PhotoInfo)
  /// The most a decode of it holds at once: the picture as stored and its 24-bit conversions.
  uint64_t decodeBytes = 0;
  /// The same for a decode to 48-bit RGB.
  uint64_t wideDecodeBytes = 0;
};

struct DecodedImage {
  /// Upright; 24-bit RGB at 8 bits a sample, 48-bit RGB (FIT_RGB16) at 16 unless it may stay
  /// 24-bit (keepEightBitSamples).
  Bitmap rgb;
  ImageHeader header;
  PhotoInfo photo; ///< with a warning added when its colours could not be converted
};

/// What a decode may take: the memory budget, what the caller holds beside the picture, and a
/// check of its own on the header (a size the caller needs), run before any pixel is decoded.
struct DecodeOptions {
  uint64_t memoryBudget = UINT64_MAX;
  uint64_t heldBeside = 0;
  /// Throws to refuse the file.
  std::function<void(const ImageHeader &)> checkHeader = {};
  /// The depth the picture is decoded to: 16 keeps 16-bit samples, and widens 8-bit ones.
  SampleDepth depth = SampleDepth::Eight;
  /// The colour profile the samples are converted into (empty: sRGB); null keeps them as they
  /// are stored.
  const std::vector<uint8_t> *targetProfile = nullptr;
  /// At 16 bits, whether a picture of 8-bit samples whose colours need no conversion stays
  /// 24-bit, for a reader that widens its rows as it reads them (see rowAtDepth).
  bool keepEightBitSamples = false;
  /// Whether the file's metadata is read along (only image 1's goes into a result).
  bool withMetadata = false;
  /// When above 0, a JPEG is decoded reduced by its codec (by 2, 4 or 8, which costs far less
  /// than a full decode) as far as its long side stays at least this, with the codec's fast
  /// transform; other formats are decoded whole. For pictures that are only looked at smaller,
  /// such as grey copies for alignment. A full decode of a JPEG is always the accurate one.
  int reducedLongSide = 0;
  /// Told what of the file could not be read or converted, which does not stop its decode.
  std::function<void(const std::string &)> warn = {};
};

/// Why a file whose content the library does not know as a readable picture is refused.
inline constexpr const char *kNotAnImage = "not an image file FreeImage can decode";

/// The formats photographers stack; every other one is refused before it is decoded.
bool isStackedFormat(FREE_IMAGE_FORMAT format);

/// Reads the header only. Refuses a file the library cannot identify, one of a format outside
/// the five, one claiming a side of 0, and one whose decode beside `limits.heldBeside` would
/// exceed the budget; the message names the file and, for the last two, its claimed size.
ImageHeader readImageHeader(const std::string &path, const DecodeOptions &limits = {});

/// Refuses the picture, naming it and its claimed size, when its decode beside
/// `limits.heldBeside` would exceed the budget.
void requireDecodeFits(const std::string &name, const ImageHeader &header,
                       const DecodeOptions &limits);

/// Why readImageHeader would refuse the open file, in words fit for a message, or nothing.
/// `name` is the file's name, which tells a camera's raw file; `orientation` is its tag's (see
/// PhotoInfo), since turning a picture upright takes memory too.
std::optional<std::string> headerRefusal(std::FILE *file, const std::string &name,
                                         const DecodeOptions &limits = {}, int orientation = 1);

/// Decodes the whole file after readImageHeader's checks, turns it upright and, when asked,
/// converts its colours; the format is told from the content, never from the extension. Also
/// refuses files the library cannot decode, and JPEG or BMP data that ends early.
DecodedImage decodeImageFile(const std::string &path, const DecodeOptions &limits = {});

/// The same for an open stream, called `name` in messages, whose orientation and colour profile
/// have been read already.
DecodedImage decodeImageStream(std::FILE *stream, const std::string &name,
                               const DecodeOptions &options, PhotoInfo photo);

/// Any pixel format as 24-bit RGB: palettes and grey expanded, 16-bit channels scaled to 8,
/// alpha dropped.
Bitmap toRgb24(Bitmap picture, const std::string &pathForMessages);

/// Any pixel format as 48-bit RGB: 16-bit samples kept (grey spread to the three channels),
/// 8-bit ones times 257, alpha dropped.
Bitmap toRgb48(Bitmap picture, const std::string &pathForMessages);

/// The most a decode to `depth` holds at once.
uint64_t decodeBytesAt(const ImageHeader &header, SampleDepth depth);

} // namespace lumicomb
