#pragma once
// Which bitmaps a run works on: exactly "Thumbnails" means the previews, anything else full size.
#include <string>

namespace lumicomb {

struct RunMode {
  std::string text;

  bool usesPreviews() const { return text == "Thumbnails"; }
  /// Only the two modes the windows use show the progress indicator.
  bool showsProgress() const { return usesPreviews() || text == "Large"; }
};

inline const RunMode kThumbnails{"Thumbnails"};
inline const RunMode kLarge{"Large"};

} // namespace lumicomb
