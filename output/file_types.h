#pragma once
// The four result file types, as the save dialog offers them and the library writes them.
#include "base/sample_depth.h"

#include <FreeImage.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumicomb {

struct FileTypeRow {
  int filterIndex;         ///< 1-based, as the save dialog counts
  std::string typeName;    ///< the FileType setting that offers this row first
  std::string filterEntry; ///< as the dialog lists it
  std::string extension;   ///< upper case, with the dot
  FREE_IMAGE_FORMAT format;
  std::string otherTypeName;  ///< also accepted on the command line
  std::string otherExtension; ///< also recognised on the command line
  int64_t mostSide;           ///< the widest and tallest picture its encoder writes
  uint64_t mostBytes;         ///< the most pixel bytes its file can address
  SampleDepth deepest;        ///< a deeper result is written rounded to this depth
  bool carriesMetadata;       ///< holds a colour profile and EXIF, XMP and IPTC
};

const std::vector<FileTypeRow> &fileTypeTable();

/// The dialog's filter string: entries and patterns joined by '|'.
std::string saveFilterString();

/// The row for a 1-based filter index; anything else fails as out of range.
const FileTypeRow &fileTypeRow(int filterIndex);

/// Filter index offered first for the FileType setting: exact names, anything else JPEG.
int initialFilterIndex(const std::string &fileType);

/// Library flags for a save of this row: no compression for TIFF, the quality for JPEG.
int saveFlags(const FileTypeRow &row, int jpegQuality);

/// The depth the row's type writes a result of `depth` in.
SampleDepth writtenDepth(const FileTypeRow &row, SampleDepth depth);

/// Refuses, naming the path, a result of width x height pixels of `depth` that the row's type
/// cannot hold as it writes it, so that it is refused before the blend rather than after it.
void requireTypeHolds(const FileTypeRow &row, const std::string &path, int64_t width,
                      int64_t height, SampleDepth depth);

/// Image path of image 1 without its last three characters, followed by "Lumicomb".
std::string defaultSaveName(const std::string &firstImagePath);

/// The chosen name, with the row's extension appended unless its last four characters, in
/// upper case, already are that extension.
std::string withTypeExtension(const std::string &chosenName, const FileTypeRow &row);

/// Row for a type name in any case (TIFF, TIF, JPEG, JPG, BMP, PNG).
std::optional<int> filterIndexForTypeName(const std::string &name);

/// Row for a file name's extension in any case (.tif .tiff .jpg .jpeg .bmp .png).
std::optional<int> filterIndexForExtension(const std::string &fileName);

} // namespace lumicomb
