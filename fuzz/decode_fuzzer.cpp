// Any bytes at all, read as an image file the user added: each must end as a 24-bit picture of
// the size its header claimed, within the memory budget, or as a one-line refusal naming the
// file. The header-only check must refuse exactly what the full decode refuses before decoding.
#include "base/errors.h"
#include "fuzz/said_coverage.h"
#include "imaging/image_decoding.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <string>

namespace {

using lumicomb::DecodedImage;
using lumicomb::DecodeOptions;
using lumicomb::ImageHeader;

/// Small enough that a header claiming a huge picture is refused before anything is allocated.
constexpr uint64_t kMemoryBudget = uint64_t{256} << 20;
const std::string kRefusalStart = "cannot read 'input': ";

[[noreturn]] void broken(const std::string &what) {
  std::fprintf(stderr, "decode_fuzzer: %s\n", what.c_str());
  std::abort();
}

struct StreamCloser {
  void operator()(std::FILE *stream) const { std::fclose(stream); }
};
using Stream = std::unique_ptr<std::FILE, StreamCloser>;

/// The bytes as a read-only stream, as a file on disk would reach the decoder.
Stream openBytes(const uint8_t *data, size_t size) {
  static uint8_t emptyBuffer;
  void *bytes = size == 0 ? &emptyBuffer : const_cast<uint8_t *>(data);
  Stream stream(fmemopen(bytes, size, "rb"));
  if (!stream)
    broken("fmemopen failed for " + std::to_string(size) + " bytes");
  return stream;
}

void checkRefusalText(const std::string &message) {
  if (message.find_first_of("\r\n") != std::string::npos)
    broken("refusal spans lines: " + message);
  if (message.rfind(kRefusalStart, 0) != 0 || message.size() == kRefusalStart.size())
    broken("refusal does not name the file and a reason: " + message);
}

/// Whatever else a decode holds, it holds the 24-bit picture; an estimate below that has
/// wrapped around and would let a huge claim through the budget.
void checkEstimate(const ImageHeader &header) {
  const unsigned __int128 pictureBytes =
      static_cast<unsigned __int128>(header.width) * static_cast<uint64_t>(header.height) * 3;
  if (header.decodeBytes < pictureBytes)
    broken("a header claiming " + std::to_string(header.width) + "x" +
           std::to_string(header.height) + " pixels was estimated at " +
           std::to_string(header.decodeBytes) + " bytes");
}

/// Every pixel is read, so that a picture smaller than its claimed size shows as an overflow.
void checkPicture(const DecodedImage &decoded, const ImageHeader &claimed,
                  lumicomb::SampleDepth depth) {
  FIBITMAP *rgb = decoded.rgb.get();
  const bool wide = depth == lumicomb::SampleDepth::Sixteen;
  if (!rgb || FreeImage_GetImageType(rgb) != (wide ? FIT_RGB16 : FIT_BITMAP) ||
      FreeImage_GetBPP(rgb) != (wide ? 48u : 24u))
    broken("the decoded picture is not RGB of the depth asked for");
  const int64_t width = lumicomb::widthOf(rgb);
  const int64_t height = lumicomb::heightOf(rgb);
  if (width != claimed.width || height != claimed.height || width != decoded.header.width ||
      height != decoded.header.height)
    broken("the header claimed " + std::to_string(claimed.width) + "x" +
           std::to_string(claimed.height) + " but the decode is " + std::to_string(width) + "x" +
           std::to_string(height));
  // The header check admits a file by this estimate, so a decode must never need more.
  const uint64_t needed = lumicomb::decodeBytesAt(decoded.header, depth);
  const uint64_t admitted = lumicomb::decodeBytesAt(claimed, depth);
  if (needed > admitted)
    broken("the decode needs " + std::to_string(needed) +
           " bytes but its header was admitted for " + std::to_string(admitted));
  unsigned sum = 0;
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t *row = lumicomb::scanLine(rgb, y);
    for (int64_t x = 0; x < width * 3 * lumicomb::bytesPerSample(depth); ++x)
      sum += row[x];
  }
  volatile unsigned keep = sum;
  (void)keep;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::optional<ImageHeader> claimed;
  DecodeOptions limits;
  limits.memoryBudget = kMemoryBudget;
  // Half the inputs decode to 16 bits; all are converted to sRGB from whatever profile they hold.
  static const std::vector<uint8_t> sRGB;
  limits.depth = size % 2 ? lumicomb::SampleDepth::Sixteen : lumicomb::SampleDepth::Eight;
  limits.targetProfile = &sRGB;
  limits.checkHeader = [&claimed](const ImageHeader &header) {
    checkEstimate(header);
    claimed = header;
  };

  lumicomb::PhotoInfo photo = lumicomb::readPhotoInfo(data, size, "input", true);
  const std::optional<std::string> headerProblem =
      lumicomb::headerRefusal(openBytes(data, size).get(), "input", limits, photo.orientation);
  try {
    const DecodedImage decoded =
        lumicomb::decodeImageStream(openBytes(data, size).get(), "input", limits, std::move(photo));
    if (headerProblem)
      broken("decoded a file the header check refused: " + *headerProblem);
    if (!claimed)
      broken("decoded without checking the header");
    checkPicture(decoded, *claimed, limits.depth);
    lumicomb::fuzz::noteSaying("decoded from " + std::to_string(decoded.header.bitsPerPixel) +
                               " bits");
  } catch (const lumicomb::LumicombError &error) {
    const std::string message = error.what();
    checkRefusalText(message);
    lumicomb::fuzz::noteRefusal(std::string_view(message).substr(kRefusalStart.size()));
    if (headerProblem && message != kRefusalStart + *headerProblem)
      broken("the header check said '" + *headerProblem + "' but the decode said '" + message +
             "'");
  } catch (const std::bad_alloc &) {
    // Running out of memory is the caller's to report; it is no fault of the file's reading.
  }
  return 0;
}
