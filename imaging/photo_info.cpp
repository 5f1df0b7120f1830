#include "imaging/photo_info.h"

#include "base/errors.h"
#include "imaging/exiv2_setup.h"

#include <exiv2/exiv2.hpp>

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

} // namespace

PhotoInfo readPhotoInfo(const std::string &path, bool withMetadata) {
  return openAndRead([&] { return Exiv2::ImageFactory::open(path); }, path, withMetadata);
}

PhotoInfo readPhotoInfo(const uint8_t *bytes, size_t size, const std::string &name,
                        bool withMetadata) {
  return openAndRead([&] { return Exiv2::ImageFactory::open(bytes, static_cast<long>(size)); },
                     name, withMetadata);
}

} // namespace lumicomb
