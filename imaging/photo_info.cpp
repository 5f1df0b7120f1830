#include "imaging/photo_info.h"

#include "base/errors.h"
#include "imaging/exiv2_setup.h"
#include "imaging/tiff_layout.h"

#include <exiv2/exiv2.hpp>

#include <cstdio>

namespace lumicomb {
namespace {

int orientationOf(const Exiv2::ExifData &exif) {
  const auto found = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
  if (found == exif.end() || found->count() == 0)
    return 1;
  const long value = found->toLong();
  return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
}

PhotoInfo readFrom(Exiv2::Image *image, const std::string &name, bool withMetadata) {
  PhotoInfo info;
  if (!image)
    return info; // a format Exiv2 does not know holds nothing it could read
  try {
    image->readMetadata();
    info.orientation = orientationOf(image->exifData());
    if (const Exiv2::DataBuf *profile = image->iccProfile(); profile && profile->size_ > 0)
      info.iccProfile.assign(profile->pData_, profile->pData_ + profile->size_);
    if (withMetadata)
      info.metadata = takePhotoMetadata(*image);
  } catch (const std::exception &error) {
    info = PhotoInfo();
    info.warnings.push_back("cannot read the metadata of " + quoted(name) + " (" +
                            oneLine(error.what()) + "); it is blended without it");
  }
  return info;
}

/// Opens the image with Exiv2 and reads from it; a file Exiv2 does not know at all holds
/// nothing beyond its pixels.
template <typename Open>
PhotoInfo openAndRead(Open &&open, const std::string &name, bool withMetadata) {
  prepareExiv2();
  try {
    auto image = open();
    return readFrom(image.get(), name, withMetadata);
  } catch (const std::exception &) {
    return {};
  }
}

/// A TIFF's orientation is its first directory's, read whether or not Exiv2 could read the file.
void readTiffOrientation(std::FILE *stream, const std::string &name, PhotoInfo &info) {
  if (!stream)
    return;
  const std::optional<TiffOrientation> tiff = tiffOrientation(stream);
  std::fclose(stream);
  if (!tiff)
    return;
  info.orientation = tiff->value;
  if (tiff->unreadable)
    info.warnings.push_back("cannot read the orientation of " + quoted(name) +
                            "; it is blended as stored");
}

} // namespace

PhotoInfo readPhotoInfo(const std::string &path, bool withMetadata) {
  PhotoInfo info = openAndRead([&] { return Exiv2::ImageFactory::open(path); }, path, withMetadata);
  readTiffOrientation(std::fopen(path.c_str(), "rb"), path, info);
  return info;
}

PhotoInfo readPhotoInfo(const uint8_t *bytes, size_t size, const std::string &name,
                        bool withMetadata) {
  PhotoInfo info =
      openAndRead([&] { return Exiv2::ImageFactory::open(bytes, static_cast<long>(size)); }, name,
                  withMetadata);
  if (size > 0)
    readTiffOrientation(::fmemopen(const_cast<uint8_t *>(bytes), size, "rb"), name, info);
  return info;
}

} // namespace lumicomb
