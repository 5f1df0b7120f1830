#include "output/atomic_save.h"

#include "engine/errors.h"
#include "engine/library_messages.h"
#include "engine/tracked_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace lumicomb {
namespace {

[[noreturn]] void refuse(const std::string &path, const std::string &reason) {
  throw LumicombError(ErrorKind::WriteFailed, "cannot write " + quoted(path) + ": " + reason);
}

/// Permissions of the file being replaced, or the usual ones for a new file.
std::optional<mode_t> existingFileMode(const std::string &path) {
  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
    return existing.st_mode & 07777;
  return std::nullopt;
}

mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

/// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
public:
  explicit TemporaryFile(std::string path) : m_path(std::move(path)) {}
  ~TemporaryFile() {
    if (!m_kept)
      ::unlink(m_path.c_str());
  }
  const std::string &path() const { return m_path; }
  void keep() { m_kept = true; }

private:
  std::string m_path;
  bool m_kept = false;
};

/// Writes the picture into the open file. When it will replace an existing file, the data is
/// forced to disk first, so that a crash can never leave the old file gone and the new one empty.
std::string encode(FIBITMAP *bitmap, std::FILE *file, FREE_IMAGE_FORMAT format, int flags,
                   bool replacing) {
  FreeImageIO io = trackedFileIo();
  TrackedFile tracked{file};
  LibraryMessages messages;
  const bool encoded = FreeImage_SaveToHandle(format, bitmap, &io, &tracked, flags);
  if (tracked.writeError != 0)
    return std::strerror(tracked.writeError);
  if (!encoded)
    return messages.text().empty() ? "the encoder failed" : messages.text();
  if (std::fflush(file) != 0 || (replacing && ::fsync(::fileno(file)) != 0))
    return std::strerror(errno);
  return {};
}

} // namespace

void saveBitmapAtomically(FIBITMAP *bitmap, const std::string &path, FREE_IMAGE_FORMAT format,
                          int flags) {
  const std::filesystem::path target(path);
  const std::string folder =
      target.has_parent_path() ? target.parent_path().string() : std::string(".");
  std::string pattern = folder + "/." + target.filename().string() + ".XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0)
    refuse(path, std::strerror(errno));
  TemporaryFile temporary(pattern);
  const std::optional<mode_t> replacedMode = existingFileMode(path);
  ::fchmod(fd, replacedMode.value_or(newFileMode()));
  FileBuffer buffer;
  std::FILE *file = ::fdopen(fd, "w+b");
  if (!file) {
    const int error = errno;
    ::close(fd);
    refuse(path, std::strerror(error));
  }
  useLargeBuffer(file, buffer);
  const std::string failure = encode(bitmap, file, format, flags, replacedMode.has_value());
  if (std::fclose(file) != 0 && failure.empty())
    refuse(path, std::strerror(errno));
  if (!failure.empty())
    refuse(path, failure);
  if (::rename(temporary.path().c_str(), path.c_str()) != 0)
    refuse(path, std::strerror(errno));
  temporary.keep();
}

} // namespace lumicomb
