#include "support/test_profiles.h"

#include <lcms2.h>

namespace lumicomb::test {

namespace {

std::vector<uint8_t> savedAndClosed(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::vector<uint8_t> bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

} // namespace

std::vector<uint8_t> wideGamutProfile() {
  const cmsCIExyY white{0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
  cmsToneCurve *gamma = cmsBuildGamma(nullptr, 2.2);
  cmsToneCurve *curves[3] = {gamma, gamma, gamma};
  std::vector<uint8_t> bytes = savedAndClosed(cmsCreateRGBProfile(&white, &primaries, curves));
  cmsFreeToneCurve(gamma);
  return bytes;
}

std::vector<uint8_t> sRGBProfile() { return savedAndClosed(cmsCreate_sRGBProfile()); }

void embedProfile(FIBITMAP *bitmap, const std::vector<uint8_t> &profile) {
  FreeImage_CreateICCProfile(bitmap, const_cast<uint8_t *>(profile.data()),
                             static_cast<long>(profile.size()));
}

} // namespace lumicomb::test
