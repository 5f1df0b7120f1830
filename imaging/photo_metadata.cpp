#include "imaging/photo_metadata.h"

#include "imaging/photo_metadata_contents.h"

#include <exiv2/image.hpp>

#include <utility>

namespace lumicomb {

PhotoMetadata::PhotoMetadata(Exiv2::ExifData exif, Exiv2::XmpData xmp, Exiv2::IptcData iptc)
    : m_exif(std::move(exif)), m_xmp(std::move(xmp)), m_iptc(std::move(iptc)) {}

std::shared_ptr<const PhotoMetadata> takePhotoMetadata(const Exiv2::Image &image) {
  if (image.exifData().empty() && image.xmpData().empty() && image.iptcData().empty())
    return nullptr;
  return std::make_shared<const PhotoMetadata>(image.exifData(), image.xmpData(), image.iptcData());
}

} // namespace lumicomb
