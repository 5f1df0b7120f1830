#pragma once
// Image 1's metadata made true of the blended result, ready for a writer.
#include "imaging/photo_metadata.h"

#include <exiv2/exif.hpp>
#include <exiv2/iptc.hpp>

#include <cstdint>
#include <string>

namespace lumicomb {

/// What the result is, beside what image 1's metadata says.
struct ResultFacts {
  int64_t width = 0;
  int64_t height = 0;
  int sources = 0; ///< how many images were blended; 0 when not known, which is not written
};

struct ResultMetadata {
  Exiv2::ExifData exif;
  Exiv2::IptcData iptc;
  std::string xmpPacket; ///< empty when there is no XMP
};

/// Image 1's EXIF, XMP and IPTC (none when `imageOne` is null) without what no longer holds for
/// the result: it stands upright, has no thumbnail, has the result's size and pixel layout. It
/// names Lumicomb as its software and says it is a composite of the blended images. Fails when
/// the XMP cannot be encoded.
ResultMetadata resultMetadata(const PhotoMetadata *imageOne, const ResultFacts &facts);

} // namespace lumicomb
