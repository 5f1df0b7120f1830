#include "engine/tracked_file.h"

#include <cerrno>

namespace lumicomb {
namespace {

TrackedFile &tracked(fi_handle handle) { return *static_cast<TrackedFile *>(handle); }

unsigned readBytes(void *buffer, unsigned size, unsigned count, fi_handle handle) {
  const size_t read = std::fread(buffer, size, count, tracked(handle).file);
  if (read < count)
    tracked(handle).shortRead = true;
  return static_cast<unsigned>(read);
}

unsigned writeBytes(void *buffer, unsigned size, unsigned count, fi_handle handle) {
  const size_t written = std::fwrite(buffer, size, count, tracked(handle).file);
  if (written < count && tracked(handle).writeError == 0)
    tracked(handle).writeError = errno ? errno : EIO;
  return static_cast<unsigned>(written);
}

int seekTo(fi_handle handle, long offset, int origin) {
  return std::fseek(tracked(handle).file, offset, origin);
}

long tellPosition(fi_handle handle) { return std::ftell(tracked(handle).file); }

} // namespace

FreeImageIO trackedFileIo() { return {readBytes, writeBytes, seekTo, tellPosition}; }

} // namespace lumicomb
