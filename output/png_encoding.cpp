#include "output/png_encoding.h"

#include "base/parallel_for.h"
#include "imaging/bitmap.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

namespace lumicomb {
namespace {

/// Rows filtered by one task: enough to keep a task's start-up small against its work.
constexpr int64_t kBandRows = 32;
/// Compressed data per IDAT chunk.
constexpr size_t kIdatBytes = size_t{1} << 20;

enum Filter : uint8_t { kNone, kSub, kUp, kAverage, kPaeth };

struct Layout {
  int64_t width;
  int64_t height;
  size_t pixelBytes; ///< 3 at 8 bits a sample, 6 at 16
  size_t rowBytes;
};

Layout layoutOf(FIBITMAP *bitmap) {
  const size_t pixelBytes = depthOf(bitmap) == SampleDepth::Sixteen ? 6 : 3;
  const int64_t width = widthOf(bitmap);
  return {width, heightOf(bitmap), pixelBytes, static_cast<size_t>(width) * pixelBytes};
}

/// Row y counted from the top, as PNG orders samples: red, green, blue, 16-bit ones big-endian.
void pngRow(FIBITMAP *bitmap, const Layout &layout, int64_t y, uint8_t *row) {
  const uint8_t *line = scanLine(bitmap, layout.height - 1 - y);
  if (layout.pixelBytes == 3) {
    for (int64_t x = 0; x < layout.width; ++x, line += 3, row += 3) {
      row[0] = line[FI_RGBA_RED];
      row[1] = line[FI_RGBA_GREEN];
      row[2] = line[FI_RGBA_BLUE];
    }
    return;
  }
  const auto *pixel = reinterpret_cast<const FIRGB16 *>(line);
  for (int64_t x = 0; x < layout.width; ++x, ++pixel)
    for (const uint16_t sample : {pixel->red, pixel->green, pixel->blue}) {
      *row++ = static_cast<uint8_t>(sample >> 8);
      *row++ = static_cast<uint8_t>(sample);
    }
}

uint8_t paethPredictor(int left, int up, int upLeft) {
  const int toLeft = std::abs(up - upLeft);
  const int toUp = std::abs(left - upLeft);
  const int toUpLeft = std::abs(left + up - 2 * upLeft);
  if (toLeft <= toUp && toLeft <= toUpLeft)
    return static_cast<uint8_t>(left);
  return static_cast<uint8_t>(toUp <= toUpLeft ? up : upLeft);
}

/// The sum of the filtered bytes taken as signed: libpng's measure of which filter will
/// compress best.
uint64_t cost(const uint8_t *bytes, size_t count) {
  uint64_t sum = 0;
  for (size_t i = 0; i < count; ++i)
    sum += static_cast<uint64_t>(std::abs(static_cast<int>(static_cast<int8_t>(bytes[i]))));
  return sum;
}

/// Writes the filter's type and the row filtered by it into `out`, choosing the filter of the
/// least cost. `candidates` holds room for four rows.
void filterRow(const uint8_t *row, const uint8_t *above, size_t rowBytes, size_t pixelBytes,
               uint8_t *candidates, uint8_t *out) {
  uint8_t *sub = candidates;
  uint8_t *up = candidates + rowBytes;
  uint8_t *average = candidates + 2 * rowBytes;
  uint8_t *paeth = candidates + 3 * rowBytes;
  for (size_t i = 0; i < pixelBytes; ++i) {
    sub[i] = row[i];
    average[i] = static_cast<uint8_t>(row[i] - (above[i] >> 1));
    paeth[i] = static_cast<uint8_t>(row[i] - above[i]);
  }
  for (size_t i = pixelBytes; i < rowBytes; ++i) {
    sub[i] = static_cast<uint8_t>(row[i] - row[i - pixelBytes]);
    average[i] = static_cast<uint8_t>(row[i] - ((row[i - pixelBytes] + above[i]) >> 1));
    paeth[i] = static_cast<uint8_t>(
        row[i] - paethPredictor(row[i - pixelBytes], above[i], above[i - pixelBytes]));
  }
  for (size_t i = 0; i < rowBytes; ++i)
    up[i] = static_cast<uint8_t>(row[i] - above[i]);
  const std::array<const uint8_t *, 5> filtered{row, sub, up, average, paeth};
  size_t best = kNone;
  uint64_t bestCost = cost(row, rowBytes);
  for (size_t filter = kSub; filter <= kPaeth; ++filter)
    if (const uint64_t c = cost(filtered[filter], rowBytes); c < bestCost) {
      best = filter;
      bestCost = c;
    }
  out[0] = static_cast<uint8_t>(best);
  std::memcpy(out + 1, filtered[best], rowBytes);
}

/// Every row, each led by its filter type: the data the IDAT chunks compress.
std::vector<uint8_t> filteredRows(FIBITMAP *bitmap, const Layout &layout, int threads) {
  std::vector<uint8_t> filtered(static_cast<size_t>(layout.height) * (layout.rowBytes + 1));
  const int64_t bands = (layout.height + kBandRows - 1) / kBandRows;
  parallelFor(
      bands,
      [&](int64_t band) {
        std::vector<uint8_t> above(layout.rowBytes), row(layout.rowBytes);
        std::vector<uint8_t> candidates(4 * layout.rowBytes);
        const int64_t first = band * kBandRows;
        if (first > 0)
          pngRow(bitmap, layout, first - 1, above.data());
        for (int64_t y = first; y < std::min(layout.height, first + kBandRows); ++y) {
          pngRow(bitmap, layout, y, row.data());
          filterRow(row.data(), above.data(), layout.rowBytes, layout.pixelBytes, candidates.data(),
                    &filtered[static_cast<size_t>(y) * (layout.rowBytes + 1)]);
          std::swap(row, above);
        }
      },
      threads);
  return filtered;
}

struct CompressorRelease {
  void operator()(libdeflate_compressor *compressor) const {
    libdeflate_free_compressor(compressor);
  }
};

/// The bytes as one zlib stream.
std::vector<uint8_t> compressed(const uint8_t *bytes, size_t count, int level) {
  const std::unique_ptr<libdeflate_compressor, CompressorRelease> compressor(
      libdeflate_alloc_compressor(level));
  if (!compressor)
    throw std::bad_alloc();
  std::vector<uint8_t> stream(libdeflate_zlib_compress_bound(compressor.get(), count));
  stream.resize(
      libdeflate_zlib_compress(compressor.get(), bytes, count, stream.data(), stream.size()));
  return stream;
}

void putBigEndian(std::vector<uint8_t> &bytes, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    bytes.push_back(static_cast<uint8_t>(value >> shift));
}

/// Chunks, each framed by its length and type and closed by its CRC.
class ChunkWriter {
public:
  explicit ChunkWriter(const ByteSink &sink) : m_sink(sink) {}

  bool signature() {
    static constexpr uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return m_sink(kSignature, sizeof kSignature);
  }

  bool chunk(std::string_view type, const uint8_t *data, size_t count) {
    std::vector<uint8_t> head;
    putBigEndian(head, static_cast<uint32_t>(count));
    head.insert(head.end(), type.begin(), type.end());
    uint32_t crc = libdeflate_crc32(0, type.data(), type.size());
    if (count > 0) // given no bytes, libdeflate answers the starting value instead
      crc = libdeflate_crc32(crc, data, count);
    std::vector<uint8_t> tail;
    putBigEndian(tail, crc);
    return m_sink(head.data(), head.size()) && (count == 0 || m_sink(data, count)) &&
           m_sink(tail.data(), tail.size());
  }

  bool chunk(std::string_view type, const std::vector<uint8_t> &data) {
    return chunk(type, data.data(), data.size());
  }

private:
  const ByteSink &m_sink;
};

std::vector<uint8_t> headerChunk(const Layout &layout) {
  std::vector<uint8_t> header;
  putBigEndian(header, static_cast<uint32_t>(layout.width));
  putBigEndian(header, static_cast<uint32_t>(layout.height));
  header.insert(header.end(), {static_cast<uint8_t>(layout.pixelBytes == 3 ? 8 : 16), 2 /* RGB */,
                               0, 0, 0 /* not interlaced */});
  return header;
}

/// The profile under the name the library's encoder gives it, so that a result reads the same
/// whichever encoder wrote it.
std::vector<uint8_t> profileChunk(const FIICCPROFILE &profile) {
  static constexpr std::string_view kName = "Embedded Profile";
  std::vector<uint8_t> chunk(kName.begin(), kName.end());
  chunk.insert(chunk.end(), {0 /* end of name */, 0 /* deflate */});
  const std::vector<uint8_t> data =
      compressed(static_cast<const uint8_t *>(profile.data), profile.size, 9);
  chunk.insert(chunk.end(), data.begin(), data.end());
  return chunk;
}

std::vector<uint8_t> resolutionChunk(FIBITMAP *bitmap) {
  std::vector<uint8_t> chunk;
  putBigEndian(chunk, FreeImage_GetDotsPerMeterX(bitmap));
  putBigEndian(chunk, FreeImage_GetDotsPerMeterY(bitmap));
  chunk.push_back(1); // dots per metre
  return chunk;
}

} // namespace

bool encodesAsPng(FIBITMAP *bitmap, uint64_t mostHeldBytes) {
  const FREE_IMAGE_TYPE type = FreeImage_GetImageType(bitmap);
  if (!(type == FIT_RGB16 || (type == FIT_BITMAP && FreeImage_GetBPP(bitmap) == 24)))
    return false;
  const Layout layout = layoutOf(bitmap);
  return static_cast<uint64_t>(layout.height) * (layout.rowBytes + 1) <= mostHeldBytes;
}

bool encodePng(FIBITMAP *bitmap, const ByteSink &sink, int threads, int level) {
  const Layout layout = layoutOf(bitmap);
  ChunkWriter writer(sink);
  if (!writer.signature() || !writer.chunk("IHDR", headerChunk(layout)))
    return false;
  const FIICCPROFILE *profile = FreeImage_GetICCProfile(bitmap);
  if (profile && profile->data && profile->size > 0 &&
      !writer.chunk("iCCP", profileChunk(*profile)))
    return false;
  if (!writer.chunk("pHYs", resolutionChunk(bitmap)))
    return false;
  std::vector<uint8_t> rows = filteredRows(bitmap, layout, threads);
  const std::vector<uint8_t> stream = compressed(rows.data(), rows.size(), level);
  rows = {};
  for (size_t at = 0; at < stream.size(); at += kIdatBytes)
    if (!writer.chunk("IDAT", stream.data() + at, std::min(kIdatBytes, stream.size() - at)))
      return false;
  return writer.chunk("IEND", nullptr, 0);
}

} // namespace lumicomb
