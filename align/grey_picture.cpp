#include "align/opencv_module.h"

#include "align/opencv_views.h"

#include <opencv2/imgproc.hpp>

namespace lumicomb::opencv {

GreyPicture greyCopy(const SampleRows &rows, int64_t longSideAtMost) {
  keepOpenCvOnCallingThread();
  // Grey first, so that the reduction averages one channel instead of three; 16-bit samples are
  // reduced before they are narrowed, so that the averaging keeps their precision.
  cv::Mat grey;
  cv::cvtColor(sampleView(rows), grey, cv::COLOR_BGR2GRAY);
  cv::Mat reduced = reducedToFit(grey, longSideAtMost);
  if (reduced.depth() != CV_8U)
    reduced.convertTo(reduced, CV_8U, 1.0 / 257);
  GreyPicture picture{reduced.cols, reduced.rows, {}};
  picture.samples.resize(static_cast<size_t>(reduced.cols) * reduced.rows);
  reduced.copyTo(cv::Mat(reduced.rows, reduced.cols, CV_8UC1, picture.samples.data()));
  return picture;
}

} // namespace lumicomb::opencv
