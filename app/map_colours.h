#pragma once
// A run's map in false colour, and its key: what the image window shows in place of the result,
// and what any other view of a result can show over it.
#include "passes/result_map.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumicomb {

struct Colour {
  uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const Colour &) const = default;
};

/// The colour of every value a map holds, from `lowest` to `highest`, and what the values count.
struct MapKey {
  std::string title; ///< "Image" or "Rejected samples"
  int lowest = 0;
  int highest = 0;
  std::vector<Colour> colours; ///< one per value, lowest first

  Colour colourOf(int value) const;
};

/// Frame numbers run from 1 to the number of images, each a hue of its own from red through
/// green to violet; rejected counts from 0, dark, through purple and orange to pale yellow at the
/// most the map holds.
MapKey mapKey(const ResultMap &map);

/// The map as a 24-bit picture of its size, each pixel the colour of its value in the key.
Bitmap falseColour(const ResultMap &map, const MapKey &key);

} // namespace lumicomb
