#include "imaging/photo_metadata.h"

namespace lumicomb {

class PhotoMetadata {};

std::shared_ptr<const PhotoMetadata> takePhotoMetadata(const Exiv2::Image &) { return nullptr; }

} // namespace lumicomb
