#pragma once
// The one entry point through which a front end asks for a blend: a request in, a picture out.
#include "imaging/photo_metadata.h"
#include "passes/alignment_plan.h"
#include "passes/blend_request.h"
#include "passes/result_map.h"
#include "passes/run_observer.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumicomb {

struct BlendOutcome {
  Bitmap picture;                     ///< RGB of the request's depth; empty after a refusal
  std::optional<std::string> refusal; ///< the rule's message when it refused the image count
  /// Image 1's colour profile, which the picture's samples are in; empty for sRGB.
  std::vector<uint8_t> iccProfile;
  /// Image 1's metadata, for the saved file; null when it had none or it could not be read.
  std::shared_ptr<const PhotoMetadata> metadata;
  int sources = 0; ///< how many images went into the picture
  /// In an aligned run, where each source lay in image 1's frame and the crop the picture is of.
  std::shared_ptr<const AlignmentPlan> alignment;
  /// The master dark subtracted from every source, when the request asked to keep it and the set
  /// has darks; at the picture's depth and in its colour profile.
  Bitmap masterDark;
  /// The rule's map, when the request asked for one.
  ResultMap map;
};

/// What a request for the map of a rule without one is refused with, naming those that have one.
std::string mapRefusal(const RuleDescription &rule);

/// Blends the sources with the request's rule into a new RGB picture of image 1's size for the
/// run mode (in an aligned run, of the crop that every source covers once moved onto image 1), at
/// the request's depth (previews at 8 bits), in image 1's colour profile. Warnings about the
/// sources go to the observer once the picture is made. Fails, naming the file or value at fault,
/// with no source holding a full-size bitmap afterwards; so does a cancel, through the observer's
/// yield.
///
/// A rule that refuses the number of images decodes nothing and says why in the outcome; a
/// preview run then returns image 1's preview, which is what the result box shows after it. A
/// request for the map of a rule that makes none fails before anything is decoded.
BlendOutcome runBlend(ImageSet &set, const BlendRequest &request, RunObserver &observer);

} // namespace lumicomb
