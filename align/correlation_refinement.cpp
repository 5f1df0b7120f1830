#include "align/correlation_refinement.h"

#include <opencv2/video/tracking.hpp>

namespace lumicomb {

namespace {

int motionOf(AlignModel model) {
  switch (model) {
  case AlignModel::Translation:
    return cv::MOTION_TRANSLATION;
  case AlignModel::Homography:
    return cv::MOTION_HOMOGRAPHY;
  case AlignModel::Similarity: // refined as affine, then brought back to a similarity
  case AlignModel::Affine:
    break;
  }
  return cv::MOTION_AFFINE;
}

} // namespace

FrameTransform refineByCorrelation(const cv::Mat &reference, const cv::Mat &source,
                                   const FrameTransform &start, AlignModel model, int steps) {
  // The refinement warps its second picture into the first one's frame with the inverse map, so
  // with the source first its matrix maps source pixels onto the reference, as ours does.
  const bool projective = model == AlignModel::Homography;
  cv::Mat warp(projective ? 3 : 2, 3, CV_32F);
  for (int row = 0; row < warp.rows; ++row)
    for (int column = 0; column < 3; ++column)
      warp.at<float>(row, column) = static_cast<float>(start.m[3 * row + column]);
  cv::findTransformECC(
      source, reference, warp, motionOf(model),
      cv::TermCriteria(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, steps, 1e-6), cv::noArray(),
      5);
  FrameTransform refined;
  for (int row = 0; row < warp.rows; ++row)
    for (int column = 0; column < 3; ++column)
      refined.m[3 * row + column] = warp.at<float>(row, column);
  return refined;
}

FrameTransform nearestSimilarity(const FrameTransform &affine, int64_t width, int64_t height) {
  const auto &m = affine.m;
  const double cosine = (m[0] + m[4]) / 2;
  const double sine = (m[3] - m[1]) / 2;
  const PixelPoint centre{(width - 1) / 2.0, (height - 1) / 2.0};
  const PixelPoint target = affine.apply(centre);
  return FrameTransform{{cosine, -sine, target.x - (cosine * centre.x - sine * centre.y), sine,
                         cosine, target.y - (sine * centre.x + cosine * centre.y), 0, 0, 1}};
}

} // namespace lumicomb
