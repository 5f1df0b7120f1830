#include "output/picture_encoding.h"

#include "imaging/library_messages.h"
#include "imaging/tracked_file.h"

#include <cerrno>
#include <cstring>

namespace lumicomb {

EncodeOutcome encodePicture(FIBITMAP *bitmap, std::FILE *file, FREE_IMAGE_FORMAT format, int flags,
                            const std::function<bool()> &cancelled) {
  FreeImageIO io = trackedFileIo();
  TrackedFile tracked{file};
  tracked.cancelled = cancelled;
  const LibraryMessages messages;
  const bool encoded = FreeImage_SaveToHandle(format, bitmap, &io, &tracked, flags);
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
