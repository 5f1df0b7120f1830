#include "output/picture_encoding.h"

#include "imaging/library_messages.h"
#include "imaging/tracked_file.h"
#include "output/png_encoding.h"

#include <cerrno>
#include <cstring>

namespace lumicomb {
namespace {

/// Beyond this, the PNG encoder's buffers (the filtered rows and their compressed form, each
/// about the picture's size) would cost more memory than the speed is worth: the library's
/// encoder streams, at its zlib level 3.
constexpr uint64_t kMostHeldPngBytes = uint64_t{256} << 20;
constexpr int kLibraryPngFlags = 3;

bool encode(FIBITMAP *bitmap, FreeImageIO &io, TrackedFile &tracked, FREE_IMAGE_FORMAT format,
            int flags) {
  if (format != FIF_PNG)
    return FreeImage_SaveToHandle(format, bitmap, &io, &tracked, flags);
  if (!encodesAsPng(bitmap, kMostHeldPngBytes))
    return FreeImage_SaveToHandle(format, bitmap, &io, &tracked, flags ? flags : kLibraryPngFlags);
  const int level = (flags & 0x0F) == PNG_Z_BEST_SPEED ? kFastestPngLevel : kPngLevel;
  return encodePng(
      bitmap,
      [&](const uint8_t *bytes, size_t count) {
        return io.write_proc(const_cast<uint8_t *>(bytes), 1, static_cast<unsigned>(count),
                             &tracked) == count;
      },
      0, level);
}

} // namespace

EncodeOutcome encodePicture(FIBITMAP *bitmap, std::FILE *file, FREE_IMAGE_FORMAT format, int flags,
                            const std::function<bool()> &cancelled) {
  FreeImageIO io = trackedFileIo();
  TrackedFile tracked{file};
  tracked.cancelled = cancelled;
  const LibraryMessages messages;
  const bool encoded = encode(bitmap, io, tracked, format, flags);
  if (tracked.wasCancelled)
    return {"the save was cancelled", true};
  if (tracked.writeError != 0)
    return {std::strerror(tracked.writeError)};
  if (!encoded)
    return {messages.text().empty() ? "the encoder failed" : messages.text()};
  // The buffer's last bytes go out only now; a flush may fail where the writes seemed to work.
  if (std::fflush(file) != 0 || std::ferror(file))
    return {std::strerror(errno ? errno : EIO)};
  return {};
}

} // namespace lumicomb
