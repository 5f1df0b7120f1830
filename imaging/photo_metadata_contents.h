#pragma once
// What PhotoMetadata holds, for the code that reads it from image 1 and the code that writes it
// into a result. It brings Exiv2's headers, so nothing else includes it.
#include "imaging/photo_metadata.h"

#include <exiv2/exif.hpp>
#include <exiv2/iptc.hpp>
#include <exiv2/xmp_exiv2.hpp>

namespace lumicomb {

class PhotoMetadata {
public:
  PhotoMetadata(Exiv2::ExifData exif, Exiv2::XmpData xmp, Exiv2::IptcData iptc);

  const Exiv2::ExifData &exif() const { return m_exif; }
  const Exiv2::XmpData &xmp() const { return m_xmp; }
  const Exiv2::IptcData &iptc() const { return m_iptc; }

private:
  Exiv2::ExifData m_exif;
  Exiv2::XmpData m_xmp;
  Exiv2::IptcData m_iptc;
};

} // namespace lumicomb
