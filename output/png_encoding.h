#pragma once
// PNG files written by Lumicomb itself. The image library's encoder compresses with zlib at level
// 6 and takes several times as long as the blend; here the rows are filtered side by side, each
// with the filter libpng's adaptive heuristic would choose, and the whole picture is compressed
// in one pass by libdeflate: a file a few percent larger at a fraction of the time. It keeps no
// state, so pictures may be encoded on several threads at once.
#include <FreeImage.h>

#include <cstddef>
#include <cstdint>
#include <functional>

namespace lumicomb {

/// Takes the file's bytes in order; answers false to stop the encoding.
using ByteSink = std::function<bool(const uint8_t *bytes, size_t count)>;

/// Whether encodePng takes the bitmap: 24-bit or 48-bit RGB whose filtered rows come to at most
/// `mostHeldBytes`. It holds them and their compressed form at once, where the library's encoder
/// streams, so a picture beyond that is better left to the library.
bool encodesAsPng(FIBITMAP *bitmap, uint64_t mostHeldBytes);

/// libdeflate's level 4: on photographs, about as fast as its levels 2 and 3 and a little
/// smaller; the size is within 5% of what other tools write at their default, and the higher
/// levels cost twice the time for 2%.
inline constexpr int kPngLevel = 4;
/// Its level 1: a third less time than level 4 for a file about 3% larger, for pictures written
/// by the hundred, such as a time-lapse's frames.
inline constexpr int kFastestPngLevel = 1;

/// Writes the bitmap as a PNG of 8 or 16 bits a sample, RGB: its ICC profile (iCCP) when it
/// carries one, its resolution (pHYs), then the pixels compressed at libdeflate's `level`. False
/// when the sink refused bytes. Filters on up to `threads` threads (0: one per core).
bool encodePng(FIBITMAP *bitmap, const ByteSink &sink, int threads = 0, int level = kPngLevel);

} // namespace lumicomb
