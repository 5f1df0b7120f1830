#pragma once
// What is done to every source before any rule sees it, as its orientation and colours are: the
// master dark subtracted, and the sensor's hot pixels replaced by the mean of their neighbours.
#include "passes/hot_pixels.h"
#include "passes/pass_context.h"

namespace lumicomb {

struct SourceSteps {
  /// The darks' median at each position (their mean for one or two), at the run's depth, in the
  /// run mode's size and colours; null without darks.
  Bitmap masterDark;
  std::vector<PixelPlace> hotPixels; ///< sorted by row, then column

  bool any() const { return masterDark || !hotPixels.empty(); }
  /// What the steps hold through the run.
  uint64_t heldBytes() const;
};

/// Subtracts the master dark from the RGB picture of its size and depth, clamped at 0, then
/// repairs the hot pixels, in place.
void applySourceSteps(const SourceSteps &steps, FIBITMAP *picture);

/// The run's source steps. The darks of the set are blended into the master dark, each checked
/// against image 1's size before any is decoded and refused as a source of another size is. With
/// `removeHotPixels`, the hot pixels are found in the master dark, or without darks in the
/// images themselves: where one stands far above its neighbours in all but one of up to five
/// images spread over the run (a star moves on). Reports the phases "master dark" and "hot
/// pixels", and yields between frames.
SourceSteps prepareSourceSteps(const PassContext &context, bool removeHotPixels);

} // namespace lumicomb
