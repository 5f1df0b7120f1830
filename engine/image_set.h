#pragma once
// The document: the ordered source images with their bitmaps, and entry 0, the result slot.
#include "engine/bitmap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumicomb {

struct ImageEntry {
  Bitmap FullBitmap;    ///< full-size 24-bit picture; in entry 0 the latest result
  Bitmap PreviewBitmap; ///< preview-size picture made by LoadPreviewImage
  int64_t PixelWidth = 0;
  int64_t PixelHeight = 0;
  int BitsPerPixel = 0; ///< depth stored in the file, before conversion to 24-bit
  std::string ImageFolder;
  std::string ImageName;
};

class ImageSet {
public:
  static constexpr int kMaxSources = 32767;

  ImageSet();

  /// Number of source images N; sources are entries 1 to N.
  int sourceCount() const { return static_cast<int>(m_entries.size()) - 1; }

  /// Entry i for i in 0..N; anything else fails with an out-of-range error.
  ImageEntry &entry(int i);
  const ImageEntry &entry(int i) const;

  /// Folder and name joined by '/', or the name alone when the folder is empty.
  std::string imagePath(int i) const;

  /// Appends one entry per name, in order; nothing is decoded or checked. Fails without change
  /// if the set would hold more than kMaxSources images.
  void AppendImages(const std::string &folder, const std::vector<std::string> &names);

  /// Removes the entries whose row (entry i is row i-1) is selected, keeping the rest in order.
  void RemoveImages(const std::vector<bool> &selectedRows);

  /// Releases the preview bitmaps of every source; the result slot keeps its bitmap.
  void DiscardPreviews();

  /// Releases every bitmap of entries 0 to N; the entries stay.
  void ReleaseAllBitmaps();

  /// Size of the preview bitmap made last; both preview boxes take it.
  int64_t ThumbWidth = 0;
  int64_t ThumbHeight = 0;

private:
  std::vector<ImageEntry> m_entries;
};

} // namespace lumicomb
