#include "output/file_types.h"

#include "engine/errors.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace lumicomb {
namespace {

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string lastChars(const std::string &text, size_t count) {
  return text.size() <= count ? text : text.substr(text.size() - count);
}

} // namespace

const std::vector<FileTypeRow> &fileTypeTable() {
  static const std::vector<FileTypeRow> table = {
      {1, "TIFF", "Tiff (*.TIF)", ".TIF", FIF_TIFF},
      {2, "JPEG", "Jpeg (*.JPG)", ".JPG", FIF_JPEG},
      {3, "BMP", "BMP (*.BMP)", ".BMP", FIF_BMP},
      {4, "PNG", "PNG (*.PNG)", ".PNG", FIF_PNG},
  };
  return table;
}

std::string saveFilterString() {
  std::string filter;
  for (const FileTypeRow &row : fileTypeTable()) {
    if (!filter.empty())
      filter += "|";
    filter += row.filterEntry + "|*" + row.extension;
  }
  return filter;
}

const FileTypeRow &fileTypeRow(int filterIndex) {
  const auto &table = fileTypeTable();
  if (filterIndex < 1 || filterIndex > static_cast<int>(table.size()))
    throw LumicombError(ErrorKind::OutOfRange,
                        "file type " + std::to_string(filterIndex) + " is not one of 1-4");
  return table[static_cast<size_t>(filterIndex - 1)];
}

int initialFilterIndex(const std::string &fileType) {
  for (const FileTypeRow &row : fileTypeTable())
    if (row.typeName == fileType)
      return row.filterIndex;
  return 2;
}

int saveFlags(const FileTypeRow &row, int jpegQuality) {
  switch (row.format) {
  case FIF_TIFF:
    return TIFF_NONE;
  case FIF_JPEG:
    return jpegQuality;
  default:
    return 0;
  }
}

std::string defaultSaveName(const std::string &firstImagePath) {
  const size_t kept = firstImagePath.size() >= 3 ? firstImagePath.size() - 3 : 0;
  return firstImagePath.substr(0, kept) + "Lumicomb";
}

std::string withTypeExtension(const std::string &chosenName, const FileTypeRow &row) {
  if (upper(lastChars(chosenName, 4)) == row.extension)
    return chosenName;
  return chosenName + row.extension;
}

std::optional<int> filterIndexForTypeName(const std::string &name) {
  const std::string type = upper(name);
  if (type == "TIF")
    return 1;
  if (type == "JPG")
    return 2;
  for (const FileTypeRow &row : fileTypeTable())
    if (row.typeName == type)
      return row.filterIndex;
  return std::nullopt;
}

std::optional<int> filterIndexForExtension(const std::string &fileName) {
  const std::string extension = upper(std::filesystem::path(fileName).extension().string());
  if (extension == ".TIFF")
    return 1;
  if (extension == ".JPEG")
    return 2;
  for (const FileTypeRow &row : fileTypeTable())
    if (row.extension == extension)
      return row.filterIndex;
  return std::nullopt;
}

} // namespace lumicomb
