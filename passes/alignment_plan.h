#pragma once
// Aligning handheld frames to image 1 before a run: where each frame lies in image 1's frame,
// and the part of it that they all cover, which the result is cut to.
#include "align/align_model.h"
#include "align/frame_transform.h"
#include "passes/pass_context.h"

#include <string>
#include <vector>

namespace lumicomb {

/// How the frames are fitted, as the rule's frames ask.
struct FitOptions {
  /// Each frame to the one before it, the fits chained back to image 1: for a series that
  /// changes step by step (focus, exposure), whose last frames share little with the first.
  bool chained = false;
  /// Also a gain per frame that makes it as bright as image 1, for a series whose exposure
  /// should not differ; kept only when some frame's brightness drifts.
  bool evenExposure = false;
};

struct AlignmentPlan {
  /// Source i's map into image 1's frame at index i - 1 (image 1's is the identity), in the run
  /// mode's pixels and the library's row order (row 0 at the bottom).
  std::vector<FrameTransform> toImageOne;
  /// The result's part of image 1's frame, in the same pixels and row order.
  PixelRectangle crop;
  int64_t width = 0; ///< image 1's size in the run mode's pixels
  int64_t height = 0;
  /// Source i's gain at index i - 1, which makes it as bright as image 1; empty for none.
  std::vector<double> gains;

  /// The crop as the user sees it: from the top-left corner.
  PixelRectangle cropFromTop() const;
  /// "aligned 11 frames; result 2480x1536 at +38+27": how many frames (image 1 among them) and
  /// the crop, from the top-left corner.
  std::string summary() const;
};

/// Fits every source to image 1 with the model (or to the one before it, chained back to image
/// 1), on grey copies of their full-size decodes or of their previews, as the run mode asks, and
/// finds the common crop. Fails naming the first frame that cannot be aligned, or when the frames
/// share no part of image 1's frame. Yields to the observer between frames and counts them on its
/// progress indicator.
AlignmentPlan planAlignment(const PassContext &context, AlignModel model,
                            const FitOptions &options = {});

} // namespace lumicomb
