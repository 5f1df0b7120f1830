#include "app/map_colours.h"

#include <algorithm>
#include <cmath>

namespace lumicomb {
namespace {

uint16_t mapValue(const ResultMap &map, int64_t x, int64_t y) {
  return reinterpret_cast<const uint16_t *>(scanLine(map.picture.get(), y))[x];
}

int largestValue(const ResultMap &map) {
  int largest = 0;
  for (int64_t y = 0; y < heightOf(map.picture.get()); ++y)
    for (int64_t x = 0; x < widthOf(map.picture.get()); ++x)
      largest = std::max<int>(largest, mapValue(map, x, y));
  return largest;
}

/// A hue from 0 (red) to 300 degrees (violet), nearly saturated and bright.
Colour hue(double degrees) {
  const double sector = degrees / 60;
  const double fraction = sector - std::floor(sector);
  const double top = 0.95, bottom = top * 0.1;
  const double falling = top - (top - bottom) * fraction;
  const double rising = bottom + (top - bottom) * fraction;
  double red, green, blue;
  switch (static_cast<int>(sector) % 6) {
  case 0:
    red = top, green = rising, blue = bottom;
    break;
  case 1:
    red = falling, green = top, blue = bottom;
    break;
  case 2:
    red = bottom, green = top, blue = rising;
    break;
  case 3:
    red = bottom, green = falling, blue = top;
    break;
  case 4:
    red = rising, green = bottom, blue = top;
    break;
  default:
    red = top, green = bottom, blue = falling;
    break;
  }
  const auto level = [](double share) { return static_cast<uint8_t>(std::lround(255 * share)); };
  return {level(red), level(green), level(blue)};
}

/// From deep purple through red and orange to pale yellow, for a share in (0, 1].
Colour heat(double share) {
  static const Colour stops[] = {
      {72, 18, 110}, {170, 36, 100}, {232, 90, 40}, {250, 190, 40}, {255, 250, 190}};
  const double at = share * (std::size(stops) - 1);
  const auto low = std::min(static_cast<size_t>(at), std::size(stops) - 2);
  const double fraction = at - static_cast<double>(low);
  const auto mix = [&](uint8_t a, uint8_t b) {
    return static_cast<uint8_t>(std::lround(a + (b - a) * fraction));
  };
  return {mix(stops[low].red, stops[low + 1].red), mix(stops[low].green, stops[low + 1].green),
          mix(stops[low].blue, stops[low + 1].blue)};
}

} // namespace

Colour MapKey::colourOf(int value) const {
  const int at = std::clamp(value, lowest, highest) - lowest;
  return colours.empty() ? Colour{} : colours[static_cast<size_t>(at)];
}

MapKey mapKey(const ResultMap &map) {
  MapKey key;
  if (map.kind == MapKind::FrameNumbers) {
    key = {"Image", 1, std::max(1, map.sources), {}};
    const int steps = std::max(1, key.highest - key.lowest);
    for (int frame = key.lowest; frame <= key.highest; ++frame)
      key.colours.push_back(hue(300.0 * (frame - key.lowest) / steps));
  } else {
    key = {"Rejected samples", 0, map.picture ? largestValue(map) : 0, {}};
    key.colours.push_back({28, 28, 36});
    for (int count = 1; count <= key.highest; ++count)
      key.colours.push_back(heat(static_cast<double>(count) / key.highest));
  }
  return key;
}

Bitmap falseColour(const ResultMap &map, const MapKey &key) {
  const int64_t width = widthOf(map.picture.get()), height = heightOf(map.picture.get());
  Bitmap picture = allocateRgb24(width, height);
  for (int64_t y = 0; y < height; ++y) {
    uint8_t *row = scanLine(picture.get(), y);
    for (int64_t x = 0; x < width; ++x) {
      const Colour colour = key.colourOf(mapValue(map, x, y));
      row[3 * x] = colour.blue;
      row[3 * x + 1] = colour.green;
      row[3 * x + 2] = colour.red;
    }
  }
  return picture;
}

} // namespace lumicomb
