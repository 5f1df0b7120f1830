#pragma once
// How viewers show a picture stored with each orientation, and tagging a file with one.
#include "support/test_images.h"

#include <string>

namespace lumicomb::test {

/// The picture as a viewer shows it when stored with this orientation (outside 1-8: as stored),
/// built from quarter turns and mirrors.
Picture asViewersShowIt(const Picture &stored, int orientation);

/// Writes the orientation into the file's EXIF with Exiv2.
void setOrientation(const std::string &path, long orientation);

} // namespace lumicomb::test
