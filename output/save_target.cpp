#include "output/save_target.h"

#include "base/errors.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace lumicomb {
namespace {

namespace fs = std::filesystem;

/// The most links followed, as the system itself allows.
constexpr int kMostLinks = 40;

[[noreturn]] void refuse(const std::string &path, const std::string &reason) {
  throw LumicombError(ErrorKind::WriteFailed, "cannot write " + quoted(path) + ": " + reason);
}

fs::path followLinks(const std::string &path) {
  fs::path target = path;
  for (int links = 0; links < kMostLinks; ++links) {
    struct stat entry {};
    if (::lstat(target.c_str(), &entry) != 0 || !S_ISLNK(entry.st_mode))
      return target;
    std::error_code error;
    const fs::path next = fs::read_symlink(target, error);
    if (error)
      refuse(path, error.message());
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  refuse(path, std::strerror(ELOOP));
}

} // namespace

std::string checkedSaveTarget(const std::string &path) {
  const fs::path target = followLinks(path);
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode))
      refuse(path, "it is a folder");
    if (!S_ISREG(existing.st_mode))
      refuse(path, "it is not an ordinary file");
    // The permission bits count even where the system would let us write (as root).
    if (::access(target.c_str(), W_OK) != 0 || (existing.st_mode & 0222) == 0)
      refuse(path, "it is write-protected");
  } else if (errno != ENOENT) {
    refuse(path, std::strerror(errno));
  }
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  struct stat folderStatus {};
  if (::stat(folder.c_str(), &folderStatus) != 0)
    refuse(path, std::strerror(errno));
  if (!S_ISDIR(folderStatus.st_mode))
    refuse(path, std::strerror(ENOTDIR));
  if (::access(folder.c_str(), W_OK | X_OK) != 0)
    refuse(path, std::strerror(errno));
  return target.string();
}

} // namespace lumicomb
