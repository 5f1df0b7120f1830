#include "imaging/colour_profiles.h"

#include <lcms2.h>

#include <cstdlib>
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

/// Profiles of the same colour space written by different makers (sRGB above all) differ by a
/// level or so in the darks; converting between them costs a pass over every pixel for a change
/// no one can see, and would make a tagged sRGB photograph blend unlike an untagged one.
constexpr int kSameColoursTolerance = 2 * 257; // two levels of 8 bits

/// A few hundred colours, worked through the profiles' own curves: cheaper than the tables an
/// optimised transform would build first.
bool describeTheSameColours(const Profile &source, const Profile &target) {
  const Transform probe(cmsCreateTransform(
      source.get(), TYPE_RGB_16, target.get(), TYPE_RGB_16, INTENT_RELATIVE_COLORIMETRIC,
      cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE));
  if (!probe)
    return false;
  constexpr int kSteps = 9;
  std::vector<uint16_t> grid;
  for (int r = 0; r < kSteps; ++r)
    for (int g = 0; g < kSteps; ++g)
      for (int b = 0; b < kSteps; ++b)
        for (const int level : {r, g, b})
          grid.push_back(static_cast<uint16_t>(level * 65535 / (kSteps - 1)));
  std::vector<uint16_t> converted(grid.size());
  cmsDoTransform(probe.get(), grid.data(), converted.data(),
                 static_cast<cmsUInt32Number>(grid.size() / 3));
  for (size_t k = 0; k < grid.size(); ++k)
    if (std::abs(int{grid[k]} - int{converted[k]}) > kSameColoursTolerance)
      return false;
  return true;
}

} // namespace

bool usableProfile(const std::vector<uint8_t> &profile) { return usable(openProfile(profile)); }

bool sameColours(const std::vector<uint8_t> &from, const std::vector<uint8_t> &to) {
  if (from == to)
    return true;
  const Profile source = openProfile(from);
  const Profile target = openProfile(to);
  return usable(source) && usable(target) && describeTheSameColours(source, target);
}

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
  if (describeTheSameColours(source, target))
    return std::nullopt;
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
