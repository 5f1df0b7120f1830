#include "imaging/colour_profiles.h"

#include <lcms2.h>

#include <memory>

namespace lumicomb {
namespace {

struct ProfileCloser {
  void operator()(void *profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

struct TransformDeleter {
  void operator()(void *transform) const { cmsDeleteTransform(transform); }
};
using Transform = std::unique_ptr<void, TransformDeleter>;

Profile openProfile(const std::vector<uint8_t> &profile) {
  if (profile.empty())
    return Profile(cmsCreate_sRGBProfile());
  return Profile(
      cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size())));
}

/// An RGB profile LittleCMS can read; a grey or CMYK profile on an RGB picture is as unusable
/// as a damaged one.
bool usable(const Profile &profile) {
  return profile && cmsGetColorSpace(profile.get()) == cmsSigRgbData;
}

} // namespace

bool usableProfile(const std::vector<uint8_t> &profile) { return usable(openProfile(profile)); }

std::optional<std::string> convertColours(FIBITMAP *picture, const std::vector<uint8_t> &from,
                                          const std::vector<uint8_t> &to) {
  if (from == to)
    return std::nullopt;
  const Profile source = openProfile(from);
  if (!usable(source))
    return "its colour profile cannot be read";
  const Profile target = openProfile(to);
  if (!usable(target))
    return "the colour profile it is to be converted into cannot be read";
  // 24-bit bitmaps hold blue, green, red in memory; 48-bit ones red, green, blue.
  const cmsUInt32Number format =
      depthOf(picture) == SampleDepth::Sixteen ? TYPE_RGB_16 : TYPE_BGR_8;
  const Transform transform(cmsCreateTransform(source.get(), format, target.get(), format,
                                               INTENT_RELATIVE_COLORIMETRIC,
                                               cmsFLAGS_BLACKPOINTCOMPENSATION));
  if (!transform)
    return "its colour profile cannot be converted from";
  const int64_t width = widthOf(picture);
  for (int64_t y = 0; y < heightOf(picture); ++y) {
    uint8_t *row = scanLine(picture, y);
    cmsDoTransform(transform.get(), row, row, static_cast<cmsUInt32Number>(width));
  }
  return std::nullopt;
}

} // namespace lumicomb
