#pragma once
// Finding how a handheld frame moved against image 1.
#include "align/align_model.h"
#include "align/frame_transform.h"
#include "align/grey_picture.h"

#include <string>

namespace lumicomb {

struct AlignmentOutcome {
  /// Maps the source's pixel centres onto image 1's, in the grey pictures' coordinates.
  FrameTransform transform;
  /// Why the source cannot be aligned, as the end of a sentence ("too few features match
  /// image 1"); empty when it can.
  std::string refusal;
};

/// Registers `source` to `reference` (grey pictures of one size) with the model: features are
/// matched on copies of about 1024 px a side and fitted robustly, then the fit is refined to a
/// fraction of a pixel by maximising the correlation of the two pictures. A frame is refused when
/// too few features match, the refinement does not converge, or the result moves the picture by
/// more than a quarter of its width or height or scales it outside 0.8 to 1.25. A transform that
/// moves no pixel measurably is returned as the exact identity.
AlignmentOutcome estimateAlignment(const GreyPicture &reference, const GreyPicture &source,
                                   AlignModel model);

} // namespace lumicomb
