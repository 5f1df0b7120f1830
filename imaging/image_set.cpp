#include "imaging/image_set.h"

#include "base/errors.h"

namespace lumicomb {

ImageEntry &ImageSet::entry(int i) {
  return const_cast<ImageEntry &>(static_cast<const ImageSet &>(*this).entry(i));
}

const ImageEntry &ImageSet::entry(int i) const {
  if (i < 1 || i > sourceCount())
    throw LumicombError(ErrorKind::OutOfRange, "image " + std::to_string(i) +
                                                   " is not in the list of " +
                                                   std::to_string(sourceCount()) + " images");
  return m_entries[static_cast<size_t>(i - 1)];
}

std::string ImageSet::imagePath(int i) const {
  const ImageEntry &e = entry(i);
  if (e.folder.empty())
    return e.name;
  if (e.folder.back() == '/')
    return e.folder + e.name;
  return e.folder + "/" + e.name;
}

void ImageSet::append(const std::string &folder, const std::vector<std::string> &names) {
  if (names.size() > static_cast<size_t>(kMaxSources - sourceCount()))
    throw LumicombError(ErrorKind::OutOfRange, "the image list cannot hold more than " +
                                                   std::to_string(kMaxSources) + " images");
  for (const std::string &name : names) {
    ImageEntry added;
    added.folder = folder;
    added.name = name;
    m_entries.push_back(std::move(added));
  }
}

void ImageSet::remove(const std::vector<bool> &selectedRows) {
  std::vector<ImageEntry> kept;
  kept.reserve(m_entries.size());
  for (size_t row = 0; row < m_entries.size(); ++row)
    if (row >= selectedRows.size() || !selectedRows[row])
      kept.push_back(std::move(m_entries[row]));
  m_entries = std::move(kept); // the removed entries release their bitmaps here
}

void ImageSet::discardPreviews() {
  for (ImageEntry &e : m_entries)
    e.preview.reset();
}

void ImageSet::releaseAllBitmaps() {
  for (ImageEntry &e : m_entries) {
    e.fullSize.reset();
    e.preview.reset();
    e.aligned.reset();
  }
}

} // namespace lumicomb
