#include "output/file_types.h"

#include "base/errors.h"
#include "imaging/bitmap.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>

namespace lumicomb {
namespace {

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::optional<int> filterIndexWhere(const std::function<bool(const FileTypeRow &)> &matches) {
  for (const FileTypeRow &row : fileTypeTable())
    if (matches(row))
      return row.filterIndex;
  return std::nullopt;
}

std::string lastChars(const std::string &text, size_t count) {
  return text.size() <= count ? text : text.substr(text.size() - count);
}

} // namespace

// A TIFF or BMP file addresses its data with 32-bit offsets, and a TIFF keeps room below that for
// the metadata written in front of its pixels; JPEG sides end at 65500, and the PNG encoder
// refuses sides over a million. JPEG and BMP hold 8 bits a channel at most, and BMP holds no
// colour profile and no metadata, so a BMP result is in image 1's colours with nothing to say so.
constexpr uint64_t kFourGiB = uint64_t{1} << 32;
constexpr uint64_t kTiffMetadataRoom = uint64_t{64} << 20;

const std::vector<FileTypeRow> &fileTypeTable() {
  static const std::vector<FileTypeRow> table = {
      {1, "TIFF", "Tiff (*.TIF)", ".TIF", FIF_TIFF, "TIF", ".TIFF", INT32_MAX,
       kFourGiB - kTiffMetadataRoom, SampleDepth::Sixteen, true},
      {2, "JPEG", "Jpeg (*.JPG)", ".JPG", FIF_JPEG, "JPG", ".JPEG", 65500, UINT64_MAX,
       SampleDepth::Eight, true},
      {3, "BMP", "BMP (*.BMP)", ".BMP", FIF_BMP, "BMP", ".BMP", INT32_MAX, kFourGiB - 4096,
       SampleDepth::Eight, false},
      {4, "PNG", "PNG (*.PNG)", ".PNG", FIF_PNG, "PNG", ".PNG", 1000000, UINT64_MAX,
       SampleDepth::Sixteen, true},
  };
  return table;
}

SampleDepth writtenDepth(const FileTypeRow &row, SampleDepth depth) {
  return row.deepest == SampleDepth::Eight ? SampleDepth::Eight : depth;
}

void requireTypeHolds(const FileTypeRow &row, const std::string &path, int64_t width,
                      int64_t height, SampleDepth depth) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  const uint64_t bytes = rgbBytes(width, height, writtenDepth(row, depth));
  std::string problem;
  if (width > row.mostSide || height > row.mostSide)
    problem = "a " + row.typeName + " file holds at most " + std::to_string(row.mostSide) +
              " pixels a side, and the result would be " + size;
  else if (bytes > row.mostBytes)
    problem = "a " + row.typeName + " file holds at most " + byteSizeText(row.mostBytes) +
              " of pixels, and the result of " + size + " would take " + byteSizeText(bytes);
  if (!problem.empty())
    throw LumicombError(ErrorKind::WriteFailed, "cannot write " + quoted(path) + ": " + problem);
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
  return filterIndexWhere([&](const FileTypeRow &row) { return row.typeName == fileType; })
      .value_or(2);
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
  return filterIndexWhere(
      [&](const FileTypeRow &row) { return row.typeName == type || row.otherTypeName == type; });
}

std::optional<int> filterIndexForExtension(const std::string &fileName) {
  const std::string extension = upper(std::filesystem::path(fileName).extension().string());
  return filterIndexWhere([&](const FileTypeRow &row) {
    return row.extension == extension || row.otherExtension == extension;
  });
}

} // namespace lumicomb
