#pragma once
// Aligning handheld frames to image 1 before a run: where each frame lies in image 1's frame,
// and the part of it that they all cover, which the result is cut to.
#include "align/align_model.h"
#include "align/frame_transform.h"
#include "passes/pass_context.h"

#include <string>
#include <vector>

namespace lumicomb {

struct AlignmentPlan {
  /// Source i's map into image 1's frame at index i - 1 (image 1's is the identity), in the run
  /// mode's pixels and the library's row order (row 0 at the bottom).
  std::vector<FrameTransform> toImageOne;
  /// The result's part of image 1's frame, in the same pixels and row order.
  PixelRectangle crop;
  int64_t width = 0; ///< image 1's size in the run mode's pixels
  int64_t height = 0;

  /// The crop as the user sees it: from the top-left corner.
  PixelRectangle cropFromTop() const;
  /// "aligned 11 frames; result 2480x1536 at +38+27": how many frames (image 1 among them) and
  /// the crop, from the top-left corner.
  std::string summary() const;
};

/// Fits every source to image 1 with the model, on grey copies of their full-size decodes or
/// of their previews, as the run mode asks, and finds the common crop. Fails naming the first
/// frame that cannot be aligned, or when the frames share no part of image 1's frame. Yields to
/// the observer between frames and counts them on its progress indicator.
AlignmentPlan planAlignment(const PassContext &context, AlignModel model);

} // namespace lumicomb
