#pragma once
// A photograph's EXIF, XMP and IPTC metadata, read from image 1 so that the result carries it on.
#include <memory>

namespace Exiv2 {
class Image;
}

namespace lumicomb {

/// Opaque outside the code that reads it and the code that writes it into a result.
class PhotoMetadata;

/// Takes the metadata Exiv2 has read from an image; nothing when it holds none.
std::shared_ptr<const PhotoMetadata> takePhotoMetadata(const Exiv2::Image &image);

} // namespace lumicomb
