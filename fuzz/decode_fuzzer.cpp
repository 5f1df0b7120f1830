// Any bytes at all, read as an image file the user added: each must end as a 24-bit picture of
// the size its header claimed, within the memory budget, or as a one-line refusal naming the
// file. The header-only check must refuse exactly what the full decode refuses before decoding.
#include "engine/errors.h"
#include "engine/image_decoding.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

namespace {

using lumicomb::DecodedImage;
using lumicomb::DecodeLimits;
using lumicomb::ImageHeader;

/// Small enough that a header claiming a huge picture is refused before anything is allocated.
constexpr uint64_t kMemoryBudget = uint64_t{256} << 20;
const std::string kRefusalStart = "cannot read 'input': ";

/// The decoders inside the library are built without coverage, so the fuzzer cannot see which of
/// their paths an input took. What they say is the next best sign: each distinct thing said
/// counts as coverage of its own.
__attribute__((used, section("__libfuzzer_extra_counters"))) uint8_t g_sayings[4096];

void noteSaying(std::string_view text) {
  uint32_t hash = 2166136261u;
  for (const char c : text)
    hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
  g_sayings[hash % sizeof g_sayings] = 1;
}

/// The words of one message with its particulars left out: the part before the last ": " (where
/// it was said) and every word with a digit, a chunk name or a tag number in it. Otherwise each
/// new number or garbled name would count as new coverage and swamp the corpus.
std::string gist(std::string_view message) {
  if (const size_t colon = message.rfind(": "); colon != std::string_view::npos)
    message.remove_prefix(colon + 2);
  std::string words;
  size_t start = 0;
  while (start < message.size()) {
    const size_t end = std::min(message.find(' ', start), message.size());
    const std::string_view word = message.substr(start, end - start);
    if (!word.empty() && std::ranges::all_of(word, [](char c) { return std::isalpha(c); }))
      words.append(word).push_back(' ');
    start = end + 1;
  }
  return words;
}

/// Each message in a refusal's reason, which joins them with "; ".
void noteRefusal(std::string_view reason) {
  while (!reason.empty()) {
    const size_t end = std::min(reason.find("; "), reason.size());
    noteSaying(gist(reason.substr(0, end)));
    reason.remove_prefix(std::min(end + 2, reason.size()));
  }
}

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

/// Every pixel is read, so that a picture smaller than its claimed size shows as an overflow.
void checkPicture(const DecodedImage &decoded, const ImageHeader &claimed) {
  FIBITMAP *rgb = decoded.rgb.get();
  if (!rgb || FreeImage_GetImageType(rgb) != FIT_BITMAP || FreeImage_GetBPP(rgb) != 24)
    broken("the decoded picture is not 24-bit RGB");
  const int64_t width = lumicomb::widthOf(rgb);
  const int64_t height = lumicomb::heightOf(rgb);
  if (width != claimed.width || height != claimed.height || width != decoded.header.width ||
      height != decoded.header.height)
    broken("the header claimed " + std::to_string(claimed.width) + "x" +
           std::to_string(claimed.height) + " but the decode is " + std::to_string(width) + "x" +
           std::to_string(height));
  if (decoded.header.decodeBytes > kMemoryBudget)
    broken("the decode took " + std::to_string(decoded.header.decodeBytes) +
           " bytes, over the budget the header check let through");
  unsigned sum = 0;
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t *row = lumicomb::scanLine(rgb, y);
    for (int64_t x = 0; x < width * 3; ++x)
      sum += row[x];
  }
  volatile unsigned keep = sum;
  (void)keep;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::optional<ImageHeader> claimed;
  DecodeLimits limits;
  limits.memoryBudget = kMemoryBudget;
  limits.checkHeader = [&claimed](const ImageHeader &header) { claimed = header; };

  const std::optional<std::string> headerProblem =
      lumicomb::headerRefusal(openBytes(data, size).get(), limits);
  try {
    const DecodedImage decoded =
        lumicomb::decodeImageStream(openBytes(data, size).get(), "input", limits);
    if (headerProblem)
      broken("decoded a file the header check refused: " + *headerProblem);
    if (!claimed)
      broken("decoded without checking the header");
    checkPicture(decoded, *claimed);
    noteSaying("decoded from " + std::to_string(decoded.header.bitsPerPixel) + " bits");
  } catch (const lumicomb::LumicombError &error) {
    const std::string message = error.what();
    checkRefusalText(message);
    noteRefusal(std::string_view(message).substr(kRefusalStart.size()));
    if (headerProblem && message != kRefusalStart + *headerProblem)
      broken("the header check said '" + *headerProblem + "' but the decode said '" + message +
             "'");
  } catch (const std::bad_alloc &) {
    // Running out of memory is the caller's to report; it is no fault of the file's reading.
  }
  return 0;
}
