#include "align/opencv_module.h"

#include "align/correlation_refinement.h"
#include "align/feature_fit.h"
#include "align/opencv_views.h"
#include "base/errors.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace lumicomb {

namespace {

/// Features are matched on copies of about this long a side: enough corners to fit, few enough
/// to match fast.
constexpr int64_t kFeatureSide = 1024;
/// The correlation is maximised on copies of at most this long a side. Each of its steps resamples
/// the whole copy several times, so a copy twice as long costs four times as much; at this size
/// the fit is already good to a small fraction of a full-size pixel.
constexpr int64_t kRefinementSide = 512;
constexpr int kRefinementSteps = 8;
/// The feature fit is good to a pixel or two; a refinement that moves a corner further than this
/// share of the long side has wandered off rather than converged.
constexpr double kFarthestRefinement = 0.01;

/// How much smaller the copy is than the full picture, along x and y.
cv::Point2d scaleOf(const cv::Mat &copy, const GreyPicture &full) {
  return {static_cast<double>(copy.cols) / full.width,
          static_cast<double>(copy.rows) / full.height};
}

double largestCornerMove(const FrameTransform &from, const FrameTransform &to, int64_t width,
                         int64_t height) {
  double largest = 0;
  for (const PixelPoint corner :
       {PixelPoint{0, 0}, {width - 1.0, 0}, {0, height - 1.0}, {width - 1.0, height - 1.0}}) {
    const PixelPoint a = from.apply(corner);
    const PixelPoint b = to.apply(corner);
    largest = std::max(largest, std::hypot(a.x - b.x, a.y - b.y));
  }
  return largest;
}

/// Why a transform cannot be a handheld frame's, or nothing when it may be one.
std::optional<std::string> implausibility(const FrameTransform &transform, int64_t width,
                                          int64_t height) {
  const PixelPoint centre{(width - 1) / 2.0, (height - 1) / 2.0};
  const PixelPoint moved = transform.apply(centre);
  if (!(std::abs(moved.x - centre.x) <= width / 4.0 &&
        std::abs(moved.y - centre.y) <= height / 4.0))
    return "it moves by more than a quarter of the picture";
  // How much the map scales lengths at the centre: the root of its derivative's determinant.
  const auto &m = transform.m;
  const double w = m[6] * centre.x + m[7] * centre.y + m[8];
  const double dxdx = (m[0] - moved.x * m[6]) / w;
  const double dxdy = (m[1] - moved.x * m[7]) / w;
  const double dydx = (m[3] - moved.y * m[6]) / w;
  const double dydy = (m[4] - moved.y * m[7]) / w;
  const double scale = std::sqrt(std::abs(dxdx * dydy - dxdy * dydx));
  if (!(scale >= 0.8 && scale <= 1.25))
    return "it is scaled by more than 0.8 to 1.25 allows";
  return std::nullopt;
}

} // namespace

namespace opencv {

AlignmentOutcome estimateAlignment(const GreyPicture &reference, const GreyPicture &source,
                                   AlignModel model) {
  if (reference.width != source.width || reference.height != source.height)
    throw LumicombError(ErrorKind::SizeMismatch, "pictures to align differ in size");
  if (reference.samples == source.samples)
    return {};
  keepOpenCvOnCallingThread();
  // The robust fits draw from OpenCV's generator of the calling thread: seeded alike every time,
  // a frame's result depends neither on what that thread did before nor on which thread it is.
  cv::theRNG().state = 0x1f2e3d4c5b6a7988ULL;
  const int64_t width = reference.width;
  const int64_t height = reference.height;

  const cv::Mat featureReference = reducedToFit(greyView(reference), kFeatureSide);
  const cv::Mat featureSource = reducedToFit(greyView(source), kFeatureSide);
  const std::optional<FrameTransform> rough = fitByFeatures(featureReference, featureSource, model);
  if (!rough)
    return {{}, "too few features match"};
  const cv::Point2d featureScale = scaleOf(featureReference, reference);
  const FrameTransform matched = rough->rescaled(1 / featureScale.x, 1 / featureScale.y);
  if (std::optional<std::string> refusal = implausibility(matched, width, height))
    return {{}, *refusal};

  const cv::Mat fineReference = reducedToFit(featureReference, kRefinementSide);
  const cv::Mat fineSource = reducedToFit(featureSource, kRefinementSide);
  const cv::Point2d fineScale = scaleOf(fineReference, reference);
  FrameTransform refined;
  try {
    refined =
        refineByCorrelation(fineReference, fineSource, matched.rescaled(fineScale.x, fineScale.y),
                            model, kRefinementSteps)
            .rescaled(1 / fineScale.x, 1 / fineScale.y);
  } catch (const cv::Exception &) {
    return {{}, "the fit did not converge"};
  }
  if (model == AlignModel::Similarity)
    refined = nearestSimilarity(refined, width, height);
  if (!(largestCornerMove(matched, refined, width, height) <=
        kFarthestRefinement * static_cast<double>(std::max(width, height))))
    return {{}, "the fit did not converge"};
  if (std::optional<std::string> refusal = implausibility(refined, width, height))
    return {{}, *refusal};
  if (refined.isIdentityOn(width, height))
    return {};
  return {refined, {}};
}

} // namespace opencv
} // namespace lumicomb
