#include "output/atomic_save.h"

#include "base/errors.h"
#include "imaging/tracked_file.h"
#include "output/picture_encoding.h"
#include "output/save_target.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace lumicomb {
namespace {

[[noreturn]] void refuse(const std::string &path, const std::string &reason) {
  throw LumicombError(ErrorKind::WriteFailed, "cannot write " + quoted(path) + ": " + reason);
}

[[noreturn]] void cancel() { throw LumicombError(ErrorKind::Cancelled, "the save was cancelled"); }

/// The file being replaced, whose permissions and owner the new one takes.
std::optional<struct stat> existingFile(const std::string &target) {
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
    return existing;
  return std::nullopt;
}

mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

/// Removes the temporary file unless it was renamed into place. Its name is short, so that any
/// name the file system takes for the target leaves room for it.
class TemporaryFile {
public:
  explicit TemporaryFile(const std::string &folder)
      : m_path(folder + "/.lumicomb-XXXXXX"), m_fd(::mkstemp(m_path.data())) {}
  ~TemporaryFile() {
    if (m_fd >= 0)
      ::close(m_fd);
    if (m_created && !m_kept)
      ::unlink(m_path.c_str());
  }
  TemporaryFile(const TemporaryFile &) = delete;
  TemporaryFile &operator=(const TemporaryFile &) = delete;

  bool created() const { return m_created; }
  const std::string &path() const { return m_path; }
  /// Hands the descriptor over to a stdio file, which closes it from then on.
  int release() { return std::exchange(m_fd, -1); }
  void keep() { m_kept = true; }

private:
  std::string m_path;
  int m_fd;
  bool m_created = m_fd >= 0;
  bool m_kept = false;
};

/// A rename is on disk only once its folder is; without this a crash could bring back the old
/// file, or neither.
void syncFolder(const std::string &folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

/// The library code a finishing step calls throws its own exceptions, in its own words.
void finish(const SaveSteps &steps, const std::string &temporaryPath, const std::string &path) {
  try {
    steps.finish(temporaryPath);
  } catch (const LumicombError &) {
    throw;
  } catch (const std::bad_alloc &) {
    refuse(path, "not enough memory");
  } catch (const std::exception &error) {
    refuse(path, oneLine(error.what()));
  }
}

} // namespace

std::string syncToDisk(const std::string &path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0)
    return std::strerror(errno);
  const bool synced = ::fsync(fd) == 0;
  const int error = errno;
  ::close(fd);
  return synced ? std::string() : std::strerror(error);
}

StagedSave::StagedSave(std::string temporaryPath, std::string target, std::string folder,
                       std::string path)
    : m_temporaryPath(std::move(temporaryPath)), m_target(std::move(target)),
      m_folder(std::move(folder)), m_path(std::move(path)) {}

StagedSave::StagedSave(StagedSave &&other) noexcept
    : m_temporaryPath(std::exchange(other.m_temporaryPath, {})),
      m_target(std::move(other.m_target)), m_folder(std::move(other.m_folder)),
      m_path(std::move(other.m_path)) {}

StagedSave::~StagedSave() {
  if (!m_temporaryPath.empty())
    ::unlink(m_temporaryPath.c_str());
}

void StagedSave::commit() {
  if (::rename(m_temporaryPath.c_str(), m_target.c_str()) != 0)
    refuse(m_path, std::strerror(errno));
  m_temporaryPath.clear();
  syncFolder(m_folder);
}

StagedSave stageBitmapSave(FIBITMAP *bitmap, const std::string &path, FREE_IMAGE_FORMAT format,
                           int flags, const SaveSteps &steps) {
  const std::string target = checkedSaveTarget(path);
  const std::filesystem::path targetPath(target);
  const std::string folder =
      targetPath.has_parent_path() ? targetPath.parent_path().string() : std::string(".");
  TemporaryFile temporary(folder);
  if (!temporary.created())
    refuse(path, std::strerror(errno));
  const int fd = temporary.release();
  if (const std::optional<struct stat> existing = existingFile(target)) {
    ::fchmod(fd, existing->st_mode & 07777);
    // Only root may give a file away; anyone else's new file simply stays their own.
    [[maybe_unused]] const int owned = ::fchown(fd, existing->st_uid, existing->st_gid);
  } else {
    ::fchmod(fd, newFileMode());
  }
  FileBuffer buffer;
  std::FILE *file = ::fdopen(fd, "w+b");
  if (!file) {
    const int error = errno;
    ::close(fd);
    refuse(path, std::strerror(error));
  }
  useLargeBuffer(file, buffer);
  const EncodeOutcome outcome = encodePicture(bitmap, file, format, flags, steps.cancelled);
  const bool closed = std::fclose(file) == 0;
  if (outcome.cancelled || (steps.cancelled && steps.cancelled()))
    cancel();
  if (!outcome.failure.empty())
    refuse(path, outcome.failure);
  if (!closed)
    refuse(path, std::strerror(errno));
  if (steps.finish)
    finish(steps, temporary.path(), path);
  // The rename must never put a name on data that is not on disk yet.
  const std::string failure = (steps.sync ? steps.sync : syncToDisk)(temporary.path());
  if (!failure.empty())
    refuse(path, failure);
  // A busy disk can take seconds over the sync, and a stop that came meanwhile still counts.
  if (steps.cancelled && steps.cancelled())
    cancel();
  temporary.keep();
  return StagedSave(temporary.path(), target, folder, path);
}

void saveBitmapAtomically(FIBITMAP *bitmap, const std::string &path, FREE_IMAGE_FORMAT format,
                          int flags, const SaveSteps &steps) {
  stageBitmapSave(bitmap, path, format, flags, steps).commit();
}

} // namespace lumicomb
