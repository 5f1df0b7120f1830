#include "align/opencv_views.h"

#include "base/errors.h"

#include <opencv2/core/ocl.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace lumicomb {

void keepOpenCvOnCallingThread() {
  static std::once_flag once;
  std::call_once(once, [] {
    cv::setNumThreads(0);
    cv::ocl::setUseOpenCL(false);
  });
}

cv::Mat greyView(const GreyPicture &picture) {
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.samples.size() != static_cast<size_t>(picture.width * picture.height))
    throw LumicombError(ErrorKind::SizeMismatch, "a grey picture's samples do not fill it");
  return cv::Mat(static_cast<int>(picture.height), static_cast<int>(picture.width), CV_8UC1,
                 const_cast<uint8_t *>(picture.samples.data()));
}

cv::Mat sampleView(const SampleRows &rows) {
  return cv::Mat(static_cast<int>(rows.height), static_cast<int>(rows.width),
                 rows.bytesPerSample == 2 ? CV_16UC3 : CV_8UC3, rows.data,
                 static_cast<size_t>(rows.stride));
}

cv::Mat reducedToFit(const cv::Mat &picture, int64_t longSideAtMost) {
  longSideAtMost = std::max<int64_t>(longSideAtMost, 1);
  const int longSide = std::max(picture.cols, picture.rows);
  if (longSide <= longSideAtMost)
    return picture;
  const double scale = static_cast<double>(longSideAtMost) / longSide;
  const auto side = [&](int length) {
    return std::clamp(static_cast<int>(std::lround(length * scale)), 1,
                      static_cast<int>(longSideAtMost));
  };
  cv::Mat reduced;
  cv::resize(picture, reduced, cv::Size(side(picture.cols), side(picture.rows)), 0, 0,
             cv::INTER_AREA);
  return reduced;
}

} // namespace lumicomb
