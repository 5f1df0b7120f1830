#pragma once
// The document: the ordered source images with their bitmaps. Image 1 is the first; a blend's
// result belongs to whoever asked for it, not to the set.
#include "imaging/bitmap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumicomb {

struct ImageEntry {
  Bitmap fullSize; ///< the decoded picture, RGB of the run's depth, held only while it is needed
  Bitmap preview;  ///< the preview-size picture, kept until the previews are discarded
  /// The full-size picture or the preview moved into image 1's frame and cropped, held only
  /// while an aligned run needs it.
  Bitmap aligned;
  /// The full-size picture or a copy of the preview after the run's source steps (the master
  /// dark subtracted, hot pixels repaired), held only while the run needs it.
  Bitmap corrected;
  int64_t width = 0;
  int64_t height = 0;
  int bitsPerPixel = 0; ///< depth stored in the file, before conversion to 24-bit
  std::string folder;
  std::string name;
};

class ImageSet {
public:
  static constexpr int kMaxSources = 32767;

  /// Number of images N; they are entries 1 to N.
  int sourceCount() const { return static_cast<int>(m_entries.size()); }

  /// Entry i for i in 1..N; anything else fails with an out-of-range error.
  ImageEntry &entry(int i);
  const ImageEntry &entry(int i) const;

  /// Folder and name joined by '/', or the name alone when the folder is empty.
  std::string imagePath(int i) const;

  /// Appends one entry per name, in order; nothing is decoded or checked. Fails without change
  /// if the set would hold more than kMaxSources images.
  void append(const std::string &folder, const std::vector<std::string> &names);

  /// Removes the entries whose row (entry i is row i-1) is selected, keeping the rest in order.
  void remove(const std::vector<bool> &selectedRows);

  /// Puts the images in the given order: entry order[0] first, ...; `order` holds every number
  /// 1..N once. Their bitmaps go with them.
  void reorder(const std::vector<int> &order);

  /// A set of the listed images (1-based, in that order) and the same darks, with copies of the
  /// images' previews, for a run that leaves some images out.
  ImageSet subset(const std::vector<int> &images) const;

  /// Releases every preview bitmap.
  void discardPreviews();

  /// Releases every bitmap; the entries stay.
  void releaseAllBitmaps();

  /// The darks: frames shot with the lens capped, subtracted from every image before it is
  /// blended. Listed apart from the images, in the order added.
  int darkCount() const { return static_cast<int>(m_darks.size()); }
  /// Dark j for j in 1..darkCount(), as imagePath shows an image.
  std::string darkPath(int j) const;
  void appendDarks(const std::string &folder, const std::vector<std::string> &names);
  /// Removes the darks whose row (dark j is row j-1) is selected.
  void removeDarks(const std::vector<bool> &selectedRows);
  /// A set whose images are the darks, for a pass to blend them.
  ImageSet darkSet() const;

  /// Moves on with every change to what a run reads from the set (anything but its bitmaps),
  /// so that a result made from it can tell it is no longer the set's.
  uint64_t generation() const { return m_generation; }

private:
  std::vector<ImageEntry> m_entries;
  std::vector<ImageEntry> m_darks; ///< names only; their bitmaps live in darkSet()'s entries
  uint64_t m_generation = 0;
};

} // namespace lumicomb
