#include "align/opencv_module.h"

#include "align/opencv_views.h"
#include "base/errors.h"

#include <opencv2/imgproc.hpp>

#include <cstring>

namespace lumicomb::opencv {

void warpIntoFrame(const SampleRows &source, const FrameTransform &toImageOne,
                   const PixelRectangle &crop, const SampleRows &destination) {
  if (destination.width != crop.width || destination.height != crop.height ||
      destination.bytesPerSample != source.bytesPerSample)
    throw LumicombError(ErrorKind::SizeMismatch, "a warped frame's rows do not fit its crop");
  if (crop.empty())
    return;
  const bool insideSource = crop.x >= 0 && crop.y >= 0 && crop.x + crop.width <= source.width &&
                            crop.y + crop.height <= source.height;
  if (toImageOne.m == FrameTransform{}.m && insideSource) {
    const size_t pixelBytes = 3 * static_cast<size_t>(source.bytesPerSample);
    for (int64_t y = 0; y < crop.height; ++y)
      std::memcpy(destination.data + y * destination.stride,
                  source.data + (crop.y + y) * source.stride + crop.x * pixelBytes,
                  crop.width * pixelBytes);
    return;
  }
  keepOpenCvOnCallingThread();
  // Forward map from the source into the crop; OpenCV inverts it to find each destination
  // pixel's place in the source.
  const FrameTransform intoCrop = toImageOne.then(
      FrameTransform::translation(static_cast<double>(-crop.x), static_cast<double>(-crop.y)));
  const cv::Mat from = sampleView(source);
  cv::Mat into = sampleView(destination);
  const cv::Mat matrix(3, 3, CV_64F, const_cast<double *>(intoCrop.m.data()));
  const int flags = cv::INTER_CUBIC;
  if (intoCrop.m[6] == 0 && intoCrop.m[7] == 0 && intoCrop.m[8] == 1)
    cv::warpAffine(from, into, matrix.rowRange(0, 2), into.size(), flags, cv::BORDER_REPLICATE);
  else
    cv::warpPerspective(from, into, matrix, into.size(), flags, cv::BORDER_REPLICATE);
  if (into.data != destination.data)
    throw LumicombError(ErrorKind::SizeMismatch, "a warped frame was not written in place");
}

} // namespace lumicomb::opencv
