#include "imaging/image_set.h"

#include "base/errors.h"

#include <new>

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

namespace {

std::string pathOf(const ImageEntry &e) {
  if (e.folder.empty())
    return e.name;
  if (e.folder.back() == '/')
    return e.folder + e.name;
  return e.folder + "/" + e.name;
}

void appendEntries(std::vector<ImageEntry> &entries, const std::string &folder,
                   const std::vector<std::string> &names, const char *what) {
  if (names.size() > static_cast<size_t>(ImageSet::kMaxSources) - entries.size())
    throw LumicombError(ErrorKind::OutOfRange,
                        std::string("the ") + what + " list cannot hold more than " +
                            std::to_string(ImageSet::kMaxSources) + " " + what + "s");
  for (const std::string &name : names) {
    ImageEntry added;
    added.folder = folder;
    added.name = name;
    entries.push_back(std::move(added));
  }
}

void removeEntries(std::vector<ImageEntry> &entries, const std::vector<bool> &selectedRows) {
  std::vector<ImageEntry> kept;
  kept.reserve(entries.size());
  for (size_t row = 0; row < entries.size(); ++row)
    if (row >= selectedRows.size() || !selectedRows[row])
      kept.push_back(std::move(entries[row]));
  entries = std::move(kept); // the removed entries release their bitmaps here
}

} // namespace

std::string ImageSet::imagePath(int i) const { return pathOf(entry(i)); }

void ImageSet::append(const std::string &folder, const std::vector<std::string> &names) {
  appendEntries(m_entries, folder, names, "image");
  ++m_generation;
}

void ImageSet::remove(const std::vector<bool> &selectedRows) {
  removeEntries(m_entries, selectedRows);
  ++m_generation;
}

void ImageSet::reorder(const std::vector<int> &order) {
  std::vector<ImageEntry> ordered;
  ordered.reserve(m_entries.size());
  for (int i : order)
    ordered.push_back(std::move(entry(i)));
  m_entries = std::move(ordered);
  ++m_generation;
}

ImageSet ImageSet::subset(const std::vector<int> &images) const {
  ImageSet kept;
  for (int i : images) {
    const ImageEntry &from = entry(i);
    ImageEntry copy;
    copy.folder = from.folder;
    copy.name = from.name;
    copy.width = from.width;
    copy.height = from.height;
    copy.bitsPerPixel = from.bitsPerPixel;
    if (from.preview) {
      copy.preview.reset(FreeImage_Clone(from.preview.get()));
      if (!copy.preview)
        throw std::bad_alloc();
    }
    kept.m_entries.push_back(std::move(copy));
  }
  for (const ImageEntry &dark : m_darks)
    kept.appendDarks(dark.folder, {dark.name});
  return kept;
}

std::string ImageSet::darkPath(int j) const {
  if (j < 1 || j > darkCount())
    throw LumicombError(ErrorKind::OutOfRange, "dark " + std::to_string(j) +
                                                   " is not in the list of " +
                                                   std::to_string(darkCount()) + " darks");
  return pathOf(m_darks[static_cast<size_t>(j - 1)]);
}

void ImageSet::appendDarks(const std::string &folder, const std::vector<std::string> &names) {
  appendEntries(m_darks, folder, names, "dark");
  ++m_generation;
}

void ImageSet::removeDarks(const std::vector<bool> &selectedRows) {
  removeEntries(m_darks, selectedRows);
  ++m_generation;
}

ImageSet ImageSet::darkSet() const {
  ImageSet darks;
  for (const ImageEntry &dark : m_darks)
    darks.append(dark.folder, {dark.name});
  return darks;
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
    e.corrected.reset();
  }
}

} // namespace lumicomb
