#include "app/library_versions.h"

#include "align/opencv_version.h"

#include <FreeImage.h>
#include <exiv2/exiv2.hpp>
#include <lcms2.h>

namespace lumicomb {

std::string libraryVersions() {
  // LittleCMS says 2.14 as 2140.
  const int colour = cmsGetEncodedCMMversion();
  return std::string("FreeImage ") + FreeImage_GetVersion() + ", LittleCMS " +
         std::to_string(colour / 1000) + "." + std::to_string(colour % 1000 / 10) + ", Exiv2 " +
         Exiv2::versionString() + ", " + openCvVersion();
}

} // namespace lumicomb
