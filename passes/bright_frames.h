#pragma once
// Leaving out the frames that a passing light made far brighter than the night: a car's
// headlights, a plane's landing light, a lit cloud.
#include "passes/pass_context.h"

#include <optional>
#include <string>
#include <vector>

namespace lumicomb {

struct BrightFrame {
  int image = 0;    ///< 1-based
  double ratio = 0; ///< its mean brightness over the frames' median
  std::string note; ///< "skipped 'IMG_0412.jpg': 3.1x brighter than the night"
};

/// The mean brightness of every image (of its preview, or of a decode reduced by the codec where
/// it can be), and the frames brighter than the median of the means by more than five times their
/// median absolute deviation (at least 1% of the median): never image 1, so never all of them.
/// Reports the phase "measuring" and yields between frames.
std::vector<BrightFrame> brightFrames(const PassContext &context);

/// The context's set without its bright frames, each of which the observer is told of
/// (`note`), or nothing when none is left out.
std::optional<ImageSet> withoutBrightFrames(const PassContext &context);

} // namespace lumicomb
