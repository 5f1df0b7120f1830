#pragma once
// Encoding a bitmap into an open file, with every write, seek and flush checked: an encoder
// that is told its writes failed does not always say so itself.
#include <FreeImage.h>

#include <cstdio>
#include <functional>
#include <string>

namespace lumicomb {

struct EncodeOutcome {
  std::string failure;    ///< why the file is not whole, in words fit for a message; empty if it is
  bool cancelled = false; ///< the write stopped because `cancelled` answered true
};

/// Encodes the bitmap into `file` in the given format and flags, then flushes the file. A PNG of
/// 24-bit or 48-bit RGB is written by encodePng, at its fastest level when the flags ask for
/// PNG_Z_BEST_SPEED and at its own otherwise, unless it is too large for that encoder's buffers;
/// then the library writes it, at the flags' zlib level (3 when 0).
/// `cancelled` is asked before every write.
EncodeOutcome encodePicture(FIBITMAP *bitmap, std::FILE *file, FREE_IMAGE_FORMAT format, int flags,
                            const std::function<bool()> &cancelled = {});

} // namespace lumicomb
