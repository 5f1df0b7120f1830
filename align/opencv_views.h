#pragma once
// How the alignment layer hands its pictures to OpenCV: views of memory owned elsewhere, and
// OpenCV kept on the calling thread. Private to the layer, so that OpenCV stays out of its
// public headers.
#include "align/grey_picture.h"

#include <opencv2/core.hpp>

namespace lumicomb {

/// Runs once before any OpenCV work: OpenCV then computes on the calling thread only and never
/// starts threads or a device of its own, whatever thread calls it. The callers already align
/// several frames at once on their own threads, and work split further would neither be faster
/// nor give results independent of how it was split.
void keepOpenCvOnCallingThread();

/// The picture's samples as an 8-bit grey matrix, without a copy; not to be written.
cv::Mat greyView(const GreyPicture &picture);

/// The rows as a 3-channel matrix of 8 or 16 bits, without a copy.
cv::Mat sampleView(const SampleRows &rows);

/// A copy reduced by area averaging so that neither side exceeds `longSideAtMost`; the matrix
/// itself (not copied) when it already fits.
cv::Mat reducedToFit(const cv::Mat &picture, int64_t longSideAtMost);

} // namespace lumicomb
