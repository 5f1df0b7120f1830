#include "app/dark_files.h"

#include "base/errors.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

namespace lumicomb {
namespace {

namespace fs = std::filesystem;

bool namesAPicture(const fs::path &path) {
  static const std::array<std::string, 7> kExtensions = {".jpg",  ".jpeg", ".png", ".tif",
                                                         ".tiff", ".bmp",  ".webp"};
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::string name = path.filename().string();
  return !name.empty() && name[0] != '.' &&
         std::find(kExtensions.begin(), kExtensions.end(), extension) != kExtensions.end();
}

} // namespace

void addDarkFiles(ImageSet &set, const std::vector<std::string> &paths) {
  for (const std::string &path : paths) {
    std::error_code error;
    if (!fs::is_directory(path, error)) {
      const fs::path file(path);
      set.appendDarks(file.parent_path().string(), {file.filename().string()});
      continue;
    }
    std::vector<std::string> names;
    for (const fs::directory_entry &entry : fs::directory_iterator(path, error))
      if (!entry.is_directory(error) && namesAPicture(entry.path()))
        names.push_back(entry.path().filename().string());
    if (names.empty())
      throw LumicombError(ErrorKind::NoSources, "there are no pictures in " + quoted(path));
    std::sort(names.begin(), names.end());
    set.appendDarks(path, names);
  }
}

} // namespace lumicomb
