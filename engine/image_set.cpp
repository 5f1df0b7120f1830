#include "engine/image_set.h"

#include "engine/errors.h"

namespace lumicomb {

ImageSet::ImageSet() : m_entries(1) {}

ImageEntry &ImageSet::entry(int i) {
  return const_cast<ImageEntry &>(static_cast<const ImageSet &>(*this).entry(i));
}

const ImageEntry &ImageSet::entry(int i) const {
  if (i < 0 || i > sourceCount())
    throw LumicombError(ErrorKind::OutOfRange, "image " + std::to_string(i) +
                                                   " is not in the list of " +
                                                   std::to_string(sourceCount()) + " images");
  return m_entries[static_cast<size_t>(i)];
}

std::string ImageSet::imagePath(int i) const {
  const ImageEntry &e = entry(i);
  if (e.ImageFolder.empty())
    return e.ImageName;
  if (e.ImageFolder.back() == '/')
    return e.ImageFolder + e.ImageName;
  return e.ImageFolder + "/" + e.ImageName;
}

void ImageSet::AppendImages(const std::string &folder, const std::vector<std::string> &names) {
  if (names.size() > static_cast<size_t>(kMaxSources - sourceCount()))
    throw LumicombError(ErrorKind::OutOfRange, "the image list cannot hold more than " +
                                                   std::to_string(kMaxSources) + " images");
  for (const std::string &name : names) {
    ImageEntry added;
    added.ImageFolder = folder;
    added.ImageName = name;
    m_entries.push_back(std::move(added));
  }
}

void ImageSet::RemoveImages(const std::vector<bool> &selectedRows) {
  std::vector<ImageEntry> kept;
  kept.reserve(m_entries.size());
  kept.push_back(std::move(m_entries[0]));
  for (size_t i = 1; i < m_entries.size(); ++i) {
    const size_t row = i - 1;
    if (row >= selectedRows.size() || !selectedRows[row])
      kept.push_back(std::move(m_entries[i]));
  }
  m_entries = std::move(kept); // the removed entries release their bitmaps here
}

void ImageSet::DiscardPreviews() {
  for (size_t i = 1; i < m_entries.size(); ++i)
    m_entries[i].PreviewBitmap.reset();
}

void ImageSet::ReleaseAllBitmaps() {
  for (ImageEntry &e : m_entries) {
    e.FullBitmap.reset();
    e.PreviewBitmap.reset();
  }
}

} // namespace lumicomb
