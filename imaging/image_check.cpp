#include "imaging/image_check.h"

#include "base/memory_budget.h"
#include "imaging/image_decoding.h"
#include "imaging/tracked_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace lumicomb {
namespace {

/// Folders and devices open without complaint but are no pictures; a pipe would even block.
std::optional<std::string> notAPlainFile(const std::string &path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (std::filesystem::is_directory(status))
    return "it is a folder";
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
    return "it is not an ordinary file";
  return std::nullopt;
}

} // namespace

std::optional<std::string> unreadableReason(const std::string &path) {
  if (auto reason = notAPlainFile(path))
    return reason;
  const FileCloser closer{std::fopen(path.c_str(), "rb")};
  if (!closer.file)
    return std::strerror(errno);
  DecodeOptions limits;
  limits.memoryBudget = defaultMemoryBudget();
  return headerRefusal(closer.file, path, limits, readPhotoInfo(path, false).orientation);
}

} // namespace lumicomb
