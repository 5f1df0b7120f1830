#include "output/result_metadata.h"

#include "imaging/photo_metadata_contents.h"

#include <exiv2/value.hpp>
#include <exiv2/xmp_exiv2.hpp>

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>

namespace lumicomb {
namespace {

/// EXIF's value for "general composite image".
constexpr uint16_t kGeneralComposite = 2;

/// Tags of the first directory that describe how image 1's own pixels were stored (they come up
/// when image 1 is a TIFF), and what the result's colour profile and its own XMP and IPTC take
/// the place of. The result's file gets its own from its encoder.
constexpr std::array<uint16_t, 37> kImageLayoutTags = {
    0x00fe, 0x00ff, 0x0100, 0x0101, 0x0102, 0x0103, 0x0106, 0x010a, 0x0111, 0x0115,
    0x0116, 0x0117, 0x011c, 0x0122, 0x0123, 0x0124, 0x0125, 0x013d, 0x0140, 0x0142,
    0x0143, 0x0144, 0x0145, 0x014a, 0x0152, 0x0153, 0x0154, 0x0155, 0x015b, 0x0200,
    0x0201, 0x0202, 0x0212, 0x02bc, 0x83bb, 0x8649, 0x8773};

/// Directories that hold image 1's picture itself and its camera's notes; the others describe
/// further images in its file (its thumbnail above all), which the result does not have.
bool describesTheResult(const Exiv2::Exifdatum &datum) {
  const std::string ifd = datum.ifdName();
  if (ifd == "IFD0")
    return std::find(kImageLayoutTags.begin(), kImageLayoutTags.end(), datum.tag()) ==
           kImageLayoutTags.end();
  return ifd == "Exif" || ifd == "GPSInfo" || ifd == "Iop" || ifd == "Makernote";
}

void setIfPresent(Exiv2::XmpData &xmp, const char *key, const std::string &value) {
  if (const auto found = xmp.findKey(Exiv2::XmpKey(key)); found != xmp.end())
    found->setValue(value);
}

Exiv2::ExifData resultExif(const Exiv2::ExifData *imageOne, const ResultFacts &facts) {
  Exiv2::ExifData exif;
  if (imageOne)
    for (const Exiv2::Exifdatum &datum : *imageOne)
      if (describesTheResult(datum))
        exif.add(datum);
  // The result is written upright, whichever way image 1 stood.
  if (const auto found = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
      found != exif.end())
    *found = static_cast<uint16_t>(1);
  exif["Exif.Photo.PixelXDimension"] = static_cast<uint32_t>(facts.width);
  exif["Exif.Photo.PixelYDimension"] = static_cast<uint32_t>(facts.height);
  exif["Exif.Image.Software"] = std::string("Lumicomb " LUMICOMB_VERSION);
  exif["Exif.Photo.CompositeImage"] = kGeneralComposite;
  // The composite tags came with EXIF 2.32; an older version would tell readers to skip them.
  Exiv2::DataValue version(Exiv2::undefined);
  version.read("48 50 51 50"); // "0232"
  exif["Exif.Photo.ExifVersion"] = version;
  // Every image counted went into the result, so both numbers are the same.
  if (facts.sources > 0) {
    const uint16_t sources =
        static_cast<uint16_t>(std::min<int>(facts.sources, std::numeric_limits<uint16_t>::max()));
    Exiv2::UShortValue sourceNumbers;
    sourceNumbers.value_ = {sources, sources};
    exif["Exif.Photo.SourceImageNumberOfCompositeImage"] = sourceNumbers;
  }
  return exif;
}

std::string resultXmpPacket(const Exiv2::XmpData *imageOne, const ResultFacts &facts) {
  if (!imageOne || imageOne->empty())
    return {};
  Exiv2::XmpData xmp;
  for (const Exiv2::Xmpdatum &datum : *imageOne)
    if (datum.key().rfind("Xmp.xmp.Thumbnails", 0) != 0)
      xmp.add(datum);
  setIfPresent(xmp, "Xmp.tiff.Orientation", "1");
  setIfPresent(xmp, "Xmp.tiff.ImageWidth", std::to_string(facts.width));
  setIfPresent(xmp, "Xmp.tiff.ImageLength", std::to_string(facts.height));
  setIfPresent(xmp, "Xmp.exif.PixelXDimension", std::to_string(facts.width));
  setIfPresent(xmp, "Xmp.exif.PixelYDimension", std::to_string(facts.height));
  std::string packet;
  if (Exiv2::XmpParser::encode(packet, xmp) != 0)
    throw std::runtime_error("the XMP cannot be encoded");
  return packet;
}

} // namespace

ResultMetadata resultMetadata(const PhotoMetadata *imageOne, const ResultFacts &facts) {
  ResultMetadata metadata;
  metadata.exif = resultExif(imageOne ? &imageOne->exif() : nullptr, facts);
  metadata.xmpPacket = resultXmpPacket(imageOne ? &imageOne->xmp() : nullptr, facts);
  if (imageOne)
    metadata.iptc = imageOne->iptc();
  return metadata;
}

} // namespace lumicomb
