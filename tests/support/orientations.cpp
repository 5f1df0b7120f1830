#include "support/orientations.h"

#include <exiv2/exiv2.hpp>

namespace lumicomb::test {
namespace {

/// Pixel (x, y) counted from the top left, as orientation tags count; pictures keep the
/// library's rows, bottom up.
Rgb &shown(Picture &picture, int64_t x, int64_t y) { return picture.at(x, picture.height - 1 - y); }

Picture turnedClockwise(Picture stored) {
  Picture turned = filledPicture(stored.height, stored.width, {});
  for (int64_t y = 0; y < stored.height; ++y)
    for (int64_t x = 0; x < stored.width; ++x)
      shown(turned, stored.height - 1 - y, x) = shown(stored, x, y);
  return turned;
}

Picture mirrored(Picture stored) {
  Picture mirror = stored;
  for (int64_t y = 0; y < stored.height; ++y)
    for (int64_t x = 0; x < stored.width; ++x)
      shown(mirror, stored.width - 1 - x, y) = shown(stored, x, y);
  return mirror;
}

} // namespace

Picture asViewersShowIt(const Picture &stored, int orientation) {
  const Picture once = turnedClockwise(stored);
  const Picture twice = turnedClockwise(once);
  const Picture thrice = turnedClockwise(twice);
  switch (orientation) {
  case 2:
    return mirrored(stored);
  case 3:
    return twice;
  case 4:
    return mirrored(twice);
  case 5:
    return mirrored(once);
  case 6:
    return once;
  case 7:
    return mirrored(thrice);
  case 8:
    return thrice;
  default:
    return stored;
  }
}

void setOrientation(const std::string &path, long orientation) {
  auto image = Exiv2::ImageFactory::open(path);
  image->readMetadata();
  image->exifData()["Exif.Image.Orientation"] = static_cast<uint16_t>(orientation);
  image->writeMetadata();
}

} // namespace lumicomb::test
