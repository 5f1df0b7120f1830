#include "imaging/image_decoding.h"

#include "imaging/sample_rows.h"

#include "base/errors.h"
#include "imaging/claimed_size.h"
#include "imaging/colour_profiles.h"
#include "imaging/library_messages.h"
#include "imaging/orientation.h"
#include "imaging/tiff_layout.h"
#include "imaging/tracked_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace lumicomb {
namespace {

[[noreturn]] void refuse(const std::string &name, const std::string &reason) {
  throw LumicombError(ErrorKind::BadFile, "cannot read " + quoted(name) + ": " + reason);
}

/// What the header says, or why the file is refused before decoding.
struct Inspection {
  FREE_IMAGE_FORMAT format = FIF_UNKNOWN;
  ImageHeader header;
  std::string problem; ///< empty when the file may be decoded
  /// The library's reader mirrors this picture by its orientation itself (see
  /// readerMirrorsByOrientation).
  bool readerMirrors = false;
};

std::string formatRefusal(FREE_IMAGE_FORMAT format) {
  const std::string name = FreeImage_GetFormatFromFIF(format);
  const bool vowel = !name.empty() && std::strchr("AEIOU", name[0]) != nullptr;
  return std::string(vowel ? "an " : "a ") + name +
         " file; Lumicomb reads JPEG, PNG, TIFF, BMP and WebP";
}

/// Bytes of one stored row, padded to four bytes as the library keeps them. Worked out here in
/// 64 bits: the library's own figure wraps around for the widths a hostile header may claim.
uint64_t rowBytes(uint64_t width, uint64_t bitsPerPixel) {
  return ((width * bitsPerPixel + 7) / 8 + 3) & ~uint64_t{3};
}

/// Sides near 2^31 at several bytes a pixel pass 2^64 bytes, and a figure that wrapped around
/// could be small enough to pass the budget: such sums and products stop at the largest value.
uint64_t timesOrMax(uint64_t a, uint64_t b) {
  return a != 0 && b > UINT64_MAX / a ? UINT64_MAX : a * b;
}

uint64_t plusOrMax(uint64_t a, uint64_t b) { return b > UINT64_MAX - a ? UINT64_MAX : a + b; }

/// `plain`: samples of at most 8 bits, which reach 24-bit RGB in one conversion, if any; wider
/// samples pass through a second picture on the way. To 48-bit RGB, 48-bit samples are taken as
/// they are, other 16-bit ones in one conversion, and everything else through 24-bit RGB.
ImageHeader headerFor(int64_t width, int64_t height, int bitsPerPixel, bool plain) {
  ImageHeader header{width, height, bitsPerPixel};
  const auto w = static_cast<uint64_t>(width);
  const auto h = static_cast<uint64_t>(height);
  const uint64_t stored = timesOrMax(rowBytes(w, static_cast<uint64_t>(bitsPerPixel)), h);
  const uint64_t rgb = timesOrMax(rowBytes(w, 24), h);
  const uint64_t wideRgb = timesOrMax(rowBytes(w, 48), h);
  header.decodeBytes =
      plusOrMax(plusOrMax(stored, plain && bitsPerPixel == 24 ? 0 : rgb), plain ? 0 : rgb);
  const bool sixteenBitSamples = !plain && bitsPerPixel <= 64;
  if (sixteenBitSamples)
    header.wideDecodeBytes = bitsPerPixel == 48 ? stored : plusOrMax(stored, wideRgb);
  else
    header.wideDecodeBytes = plusOrMax(header.decodeBytes, wideRgb);
  return header;
}

ImageHeader headerOf(FIBITMAP *bitmap) {
  return headerFor(widthOf(bitmap), heightOf(bitmap), static_cast<int>(FreeImage_GetBPP(bitmap)),
                   FreeImage_GetImageType(bitmap) == FIT_BITMAP);
}

std::string claimText(int64_t width, int64_t height) {
  return "it claims " + std::to_string(width) + "x" + std::to_string(height) + " pixels";
}

std::string budgetProblem(const ImageHeader &header, const DecodeOptions &limits) {
  const uint64_t needed = plusOrMax(decodeBytesAt(header, limits.depth), limits.heldBeside);
  if (needed == UINT64_MAX)
    return claimText(header.width, header.height) + ", far more than the memory budget of " +
           byteSizeText(limits.memoryBudget);
  if (needed > limits.memoryBudget)
    return claimText(header.width, header.height) + ", which need " + byteSizeText(needed) +
           "; the memory budget is " + byteSizeText(limits.memoryBudget);
  return {};
}

std::string libraryReason(const LibraryMessages &messages, const std::string &fallback) {
  return messages.text().empty() ? fallback : messages.text();
}

/// A JPEG's header from its frame header; the library would read the whole of a progressive
/// file to tell. One component decodes to 8-bit grey; three, and four (CMYK), to 24-bit RGB.
std::optional<ImageHeader> jpegHeader(TrackedFile &file) {
  const std::optional<ClaimedSize> claim = claimedSize(file.file, FIF_JPEG);
  rewindFile(file);
  if (!claim || (claim->channels != 1 && claim->channels != 3 && claim->channels != 4))
    return std::nullopt;
  return headerFor(claim->width, claim->height, claim->channels == 1 ? 8 : 24, true);
}

/// The header as the library reads it without pixels, or why it cannot.
std::optional<ImageHeader> libraryHeader(FreeImageIO &io, TrackedFile &file,
                                         FREE_IMAGE_FORMAT format, std::string &problem) {
  const LibraryMessages messages;
  const Bitmap header(FreeImage_LoadFromHandle(format, &io, &file, FIF_LOAD_NOPIXELS));
  rewindFile(file);
  if (header)
    return headerOf(header.get());
  const std::optional<ClaimedSize> claim = claimedSize(file.file, format);
  rewindFile(file);
  if (claim && (claim->width == 0 || claim->height == 0))
    problem = claimText(claim->width, claim->height);
  else
    problem = libraryReason(messages, "the file is damaged");
  return std::nullopt;
}

bool validates(FREE_IMAGE_FORMAT format, FreeImageIO &io, TrackedFile &file) {
  const bool valid =
      FreeImage_FIFSupportsReading(format) && FreeImage_ValidateFromHandle(format, &io, &file);
  rewindFile(file);
  return valid;
}

/// The format of the content. The five are tried first. The camera-raw probe is never run: it
/// prints to the terminal when a file ends early, so a raw file is known by its name alone.
FREE_IMAGE_FORMAT identify(FreeImageIO &io, TrackedFile &file, const std::string &name) {
  for (const FREE_IMAGE_FORMAT format : {FIF_JPEG, FIF_PNG, FIF_TIFF, FIF_BMP, FIF_WEBP})
    if (validates(format, io, file))
      return format;
  for (int format = 0; format < FreeImage_GetFIFCount(); ++format)
    if (format != FIF_RAW && validates(static_cast<FREE_IMAGE_FORMAT>(format), io, file))
      return static_cast<FREE_IMAGE_FORMAT>(format);
  return FreeImage_GetFIFFromFilename(name.c_str()) == FIF_RAW ? FIF_RAW : FIF_UNKNOWN;
}

/// The format and header, or why the file is no picture Lumicomb stacks.
Inspection inspect(FreeImageIO &io, TrackedFile &file, const std::string &name) {
  Inspection look;
  const FREE_IMAGE_FORMAT format = identify(io, file, name);
  if (format == FIF_UNKNOWN) {
    look.problem = kNotAnImage;
    return look;
  }
  if (!isStackedFormat(format)) {
    look.problem = formatRefusal(format);
    return look;
  }
  look.format = format;
  if (format == FIF_TIFF) {
    const std::optional<uint64_t> pointer = exifPointerTagLowByte(file.file);
    file.raisedByte = pointer && *pointer <= LONG_MAX ? static_cast<long>(*pointer) : -1;
    look.readerMirrors = readerMirrorsByOrientation(file.file);
    rewindFile(file);
  }
  std::optional<ImageHeader> header = format == FIF_JPEG ? jpegHeader(file) : std::nullopt;
  if (!header)
    header = libraryHeader(io, file, format, look.problem);
  if (!header)
    return look;
  look.header = *header;
  if (look.header.width == 0 || look.header.height == 0) {
    look.problem = claimText(look.header.width, look.header.height);
  } else if (format == FIF_TIFF) {
    std::optional<std::string> problem = unreadableTiffSize(look.header.width, look.header.height);
    if (!problem)
      problem = unreadableTiffLayout(file.file);
    rewindFile(file);
    look.problem = problem.value_or("");
  }
  return look;
}

} // namespace

void requireDecodeFits(const std::string &name, const ImageHeader &header,
                       const DecodeOptions &limits) {
  if (const std::string problem = budgetProblem(header, limits); !problem.empty())
    refuse(name, problem);
}

namespace {

/// The inspection of a file that passed it, the caller's own check and the budget, in that
/// order: a source of the wrong size is named as such, whatever it claims.
Inspection checkedInspection(FreeImageIO &io, TrackedFile &file, const std::string &name,
                             const DecodeOptions &limits, int orientation) {
  Inspection look = inspect(io, file, name);
  if (!look.problem.empty())
    refuse(name, look.problem);
  look.header.orientation = orientation;
  orientSize(orientation, look.header.width, look.header.height);
  if (limits.checkHeader)
    limits.checkHeader(look.header);
  requireDecodeFits(name, look.header, limits);
  return look;
}

/// Decoders that stop quietly at the end of the data, leaving the rest of the picture black.
bool endedEarly(FREE_IMAGE_FORMAT format, const TrackedFile &file,
                const LibraryMessages &messages) {
  if (format == FIF_JPEG)
    return messages.contains("Premature end of JPEG file");
  return format == FIF_BMP && file.shortRead;
}

Bitmap convertedOrRefused(FIBITMAP *converted, const std::string &path) {
  if (!converted)
    refuse(path, "its pixel format cannot be turned into 8-bit RGB");
  return Bitmap(converted);
}

/// An 8-bit picture at 16 bits a sample: v * 257 spreads 0-255 evenly over 0-65535, so that
/// 255 is full scale (the library's own conversion shifts by 8, which stops at 65280).
/// Palettes, grey and RGB of 8 bits a sample or fewer, which widening would only multiply.
bool holdsEightBitSamples(FIBITMAP *picture) {
  return FreeImage_GetImageType(picture) == FIT_BITMAP && FreeImage_GetBPP(picture) <= 32;
}

Bitmap widenedToRgb48(Bitmap rgb24) {
  const int64_t width = widthOf(rgb24.get());
  const int64_t height = heightOf(rgb24.get());
  Bitmap wide = allocateRgb(width, height, SampleDepth::Sixteen);
  for (int64_t y = 0; y < height; ++y)
    widenRow(scanLine(rgb24.get(), y), width,
             reinterpret_cast<uint16_t *>(scanLine(wide.get(), y)));
  return wide;
}

/// Asked with no flags, the JPEG codec takes the fast integer transform and skips the smooth
/// chroma upsampling, which puts colour edges tens of levels off what other photo tools decode;
/// the accurate decode costs a few percent more. A reduced decode only feeds an alignment fit, so
/// it stays fast; the codec takes the long side it should keep in the upper half of its flags.
int loadFlags(FREE_IMAGE_FORMAT format, const DecodeOptions &options) {
  if (format != FIF_JPEG)
    return 0;
  if (options.reducedLongSide > 0)
    return std::min(options.reducedLongSide, 0xFFFF) << 16;
  return JPEG_ACCURATE;
}

/// Opens a file for a whole picture, or refuses it naming the reason.
std::FILE *openForReading(const std::string &path, FileBuffer &buffer) {
  std::FILE *file = std::fopen(path.c_str(), "rb");
  if (!file)
    refuse(path, std::strerror(errno));
  useLargeBuffer(file, buffer);
  return file;
}

} // namespace

bool isStackedFormat(FREE_IMAGE_FORMAT format) {
  switch (format) {
  case FIF_JPEG:
  case FIF_PNG:
  case FIF_TIFF:
  case FIF_BMP:
  case FIF_WEBP:
    return true;
  default:
    return false;
  }
}

std::optional<std::string> headerRefusal(std::FILE *stream, const std::string &name,
                                         const DecodeOptions &limits, int orientation) {
  TrackedFile file{stream};
  FreeImageIO io = trackedFileIo();
  Inspection look = inspect(io, file, name);
  look.header.orientation = orientation;
  const std::string problem =
      look.problem.empty() ? budgetProblem(look.header, limits) : look.problem;
  if (problem.empty())
    return std::nullopt;
  return problem;
}

ImageHeader readImageHeader(const std::string &path, const DecodeOptions &limits) {
  FileBuffer buffer;
  const FileCloser closer{openForReading(path, buffer)};
  TrackedFile file{closer.file};
  FreeImageIO io = trackedFileIo();
  return checkedInspection(io, file, path, limits, readPhotoInfo(path, false).orientation).header;
}

uint64_t decodeBytesAt(const ImageHeader &header, SampleDepth depth) {
  uint64_t bytes = depth == SampleDepth::Sixteen ? header.wideDecodeBytes : header.decodeBytes;
  // Turning it upright makes one more picture of the depth beside the decoded one.
  if (header.orientation > 1)
    bytes = plusOrMax(bytes, rgbBytes(header.width, header.height, depth));
  return bytes;
}

Bitmap toRgb48(Bitmap picture, const std::string &path) {
  switch (FreeImage_GetImageType(picture.get())) {
  case FIT_RGB16:
    return picture;
  case FIT_RGBA16:
  case FIT_UINT16:
    return convertedOrRefused(FreeImage_ConvertToRGB16(picture.get()), path);
  default:
    return widenedToRgb48(toRgb24(std::move(picture), path));
  }
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

DecodedImage decodeImageStream(std::FILE *stream, const std::string &name,
                               const DecodeOptions &options, PhotoInfo photo) {
  TrackedFile file{stream};
  FreeImageIO io = trackedFileIo();
  const Inspection look = checkedInspection(io, file, name, options, photo.orientation);

  LibraryMessages messages;
  Bitmap original(
      FreeImage_LoadFromHandle(look.format, &io, &file, loadFlags(look.format, options)));
  if (!original || !FreeImage_HasPixels(original.get()))
    refuse(name, libraryReason(messages, "the decoder failed"));
  if (endedEarly(look.format, file, messages))
    refuse(name, "the file is damaged (its data ends early)");
  DecodedImage decoded;
  // From the decoded picture itself, which may differ from what its header said.
  decoded.header = headerOf(original.get());
  decoded.header.orientation = photo.orientation;
  orientSize(photo.orientation, decoded.header.width, decoded.header.height);
  // Most sources share the target's colours; they are probed once and never converted.
  const bool converting =
      options.targetProfile && !sameColours(photo.iccProfile, *options.targetProfile);
  const bool wide =
      options.depth == SampleDepth::Sixteen &&
      !(options.keepEightBitSamples && holdsEightBitSamples(original.get()) && !converting);
  const int stillToTurn =
      look.readerMirrors ? orientationAfterMirroring(photo.orientation) : photo.orientation;
  decoded.rgb = upright(
      wide ? toRgb48(std::move(original), name) : toRgb24(std::move(original), name), stillToTurn);
  if (converting)
    if (const std::optional<std::string> problem =
            convertColours(decoded.rgb.get(), photo.iccProfile, *options.targetProfile))
      photo.warnings.push_back(quoted(name) + ": " + *problem +
                               "; it is blended without converting its colours");
  decoded.photo = std::move(photo);
  return decoded;
}

DecodedImage decodeImageFile(const std::string &path, const DecodeOptions &options) {
  PhotoInfo photo = readPhotoInfo(path, options.withMetadata);
  FileBuffer buffer;
  const FileCloser closer{openForReading(path, buffer)};
  return decodeImageStream(closer.file, path, options, std::move(photo));
}

} // namespace lumicomb
