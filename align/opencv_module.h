#pragma once
// The half of alignment that needs OpenCV lives in a module of its own, loaded on the first
// alignment: OpenCV and what it pulls in cost every process about 10 MB of resident memory at
// start, which a blend without alignment should not pay.
#include "align/alignment_estimate.h"
#include "align/frame_warp.h"
#include "align/grey_picture.h"

namespace lumicomb {

/// What the module offers; greyCopy, estimateAlignment and warpIntoFrame call through it.
struct OpenCvFunctions {
  GreyPicture (*greyCopy)(const SampleRows &rows, int64_t longSideAtMost);
  AlignmentOutcome (*estimateAlignment)(const GreyPicture &reference, const GreyPicture &source,
                                        AlignModel model);
  void (*warpIntoFrame)(const SampleRows &source, const FrameTransform &toImageOne,
                        const PixelRectangle &crop, const SampleRows &destination);
};

/// The module's functions, loaded once; fails, naming the module, when it cannot be loaded.
const OpenCvFunctions &openCvFunctions();

/// The module's own implementations, under names of their own.
namespace opencv {
GreyPicture greyCopy(const SampleRows &rows, int64_t longSideAtMost);
AlignmentOutcome estimateAlignment(const GreyPicture &reference, const GreyPicture &source,
                                   AlignModel model);
void warpIntoFrame(const SampleRows &source, const FrameTransform &toImageOne,
                   const PixelRectangle &crop, const SampleRows &destination);
} // namespace opencv

} // namespace lumicomb

/// The module's one entry point.
extern "C" const lumicomb::OpenCvFunctions *lumicombOpenCvFunctions();
