#include "imaging/capture_order.h"

#include "imaging/exiv2_setup.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cctype>
#include <numeric>
#include <tuple>

namespace lumicomb {
namespace {

std::string exifText(const Exiv2::ExifData &exif, const char *key) {
  const auto found = exif.findKey(Exiv2::ExifKey(key));
  return found == exif.end() ? std::string() : found->toString();
}

/// "YYYY:MM:DD HH:MM:SS" with digits where they belong.
bool isDateTime(const std::string &text) {
  if (text.size() < 19)
    return false;
  for (size_t i = 0; i < 19; ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
    if (digit != (i != 4 && i != 7 && i != 10 && i != 13 && i != 16))
      return false;
  }
  return true;
}

} // namespace

std::optional<std::string> captureTimeOf(const std::string &path) {
  prepareExiv2();
  try {
    const auto image = Exiv2::ImageFactory::open(path);
    image->readMetadata();
    const std::string taken = exifText(image->exifData(), "Exif.Photo.DateTimeOriginal");
    if (!isDateTime(taken))
      return std::nullopt;
    std::string fraction;
    for (char c : exifText(image->exifData(), "Exif.Photo.SubSecTimeOriginal"))
      if (std::isdigit(static_cast<unsigned char>(c)))
        fraction += c;
    fraction.resize(9, '0');
    return taken.substr(0, 19) + "." + fraction;
  } catch (const std::exception &) {
    return std::nullopt;
  }
}

void sortByTimeTaken(ImageSet &set) {
  struct Key {
    bool untimed;
    std::string time;
    std::string name;
    std::string folder;
  };
  std::vector<Key> keys;
  for (int i = 1; i <= set.sourceCount(); ++i) {
    const std::optional<std::string> time = captureTimeOf(set.imagePath(i));
    keys.push_back({!time, time.value_or(""), set.entry(i).name, set.entry(i).folder});
  }
  std::vector<int> order(keys.size());
  std::iota(order.begin(), order.end(), 1);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const Key &x = keys[static_cast<size_t>(a - 1)], &y = keys[static_cast<size_t>(b - 1)];
    return std::tie(x.untimed, x.time, x.name, x.folder) <
           std::tie(y.untimed, y.time, y.name, y.folder);
  });
  set.reorder(order);
}

} // namespace lumicomb
