#include "engine/image_check.h"

#include "engine/image_decoding.h"
#include "engine/library_messages.h"
#include "engine/tracked_file.h"

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

std::optional<std::string> headerProblem(FreeImageIO &io, TrackedFile &file,
                                         const LibraryMessages &messages) {
  const FREE_IMAGE_FORMAT format = readableFormat(io, file);
  if (format == FIF_UNKNOWN)
    return kNotAnImage;
  if (!FreeImage_FIFSupportsNoPixels(format))
    return std::nullopt;
  const Bitmap header(FreeImage_LoadFromHandle(format, &io, &file, FIF_LOAD_NOPIXELS));
  if (header)
    return std::nullopt;
  return messages.text().empty() ? "the file is damaged" : messages.text();
}

} // namespace

std::optional<std::string> unreadableReason(const std::string &path) {
  if (auto reason = notAPlainFile(path))
    return reason;
  TrackedFile file{std::fopen(path.c_str(), "rb")};
  if (!file.file)
    return std::strerror(errno);
  const FileCloser closer{file.file};
  const LibraryMessages messages; // the library's words become the reason, never printed
  FreeImageIO io = trackedFileIo();
  return headerProblem(io, file, messages);
}

} // namespace lumicomb
