#include "imaging/tracked_file.h"

#include <algorithm>
#include <cerrno>

namespace lumicomb {
namespace {

TrackedFile &tracked(fi_handle handle) { return *static_cast<TrackedFile *>(handle); }

unsigned readBytes(void *buffer, unsigned size, unsigned count, fi_handle handle) {
  TrackedFile &file = tracked(handle);
  const long start = file.position;
  const size_t read = std::fread(buffer, size, count, file.file);
  if (file.raisedByte >= start && file.raisedByte - start < static_cast<long>(read * size))
    ++static_cast<uint8_t *>(buffer)[file.raisedByte - start];
  if (read < count) {
    file.shortRead = true;
    file.position = std::ftell(file.file); // a part of an item may have been taken
  } else {
    file.position += static_cast<long>(read * size);
  }
  return static_cast<unsigned>(read);
}

void noteWriteError(TrackedFile &file) {
  if (file.writeError == 0)
    file.writeError = errno ? errno : EIO;
}

unsigned writeBytes(void *buffer, unsigned size, unsigned count, fi_handle handle) {
  TrackedFile &file = tracked(handle);
  if (file.wasCancelled || (file.cancelled && file.cancelled())) {
    file.wasCancelled = true;
    return 0;
  }
  const size_t written = std::fwrite(buffer, size, count, file.file);
  if (written < count) {
    noteWriteError(file);
    file.position = std::ftell(file.file);
  } else {
    file.position += static_cast<long>(written * size);
  }
  file.writtenEnd = std::max(file.writtenEnd, file.position);
  return static_cast<unsigned>(written);
}

/// Encoders seek to the end, where they already are, before every strip they write; a real seek
/// would flush the buffer each time and turn one large write into thousands of small ones.
int seekTo(fi_handle handle, long offset, int origin) {
  TrackedFile &file = tracked(handle);
  long target = offset;
  if (origin == SEEK_CUR)
    target = file.position + offset;
  else if (origin == SEEK_END && file.writtenEnd >= 0)
    target = file.writtenEnd + offset;
  else if (origin == SEEK_END) {
    const int result = std::fseek(file.file, offset, SEEK_END);
    if (result != 0)
      noteWriteError(file);
    file.position = std::ftell(file.file);
    return result;
  }
  if (target == file.position)
    return 0;
  const int result = std::fseek(file.file, target, SEEK_SET);
  if (result == 0)
    file.position = target;
  else
    noteWriteError(file);
  return result;
}

long tellPosition(fi_handle handle) { return tracked(handle).position; }

} // namespace

FreeImageIO trackedFileIo() { return {readBytes, writeBytes, seekTo, tellPosition}; }

void rewindFile(TrackedFile &file) {
  std::fseek(file.file, 0, SEEK_SET);
  file.position = 0;
  file.shortRead = false;
}

void useLargeBuffer(std::FILE *file, FileBuffer &buffer) {
  constexpr size_t kBytes = size_t{1} << 20;
  // The C library would pick its own small size for a buffer it allocates itself.
  buffer.bytes = std::make_unique_for_overwrite<char[]>(kBytes);
  std::setvbuf(file, buffer.bytes.get(), _IOFBF, kBytes);
}

} // namespace lumicomb
