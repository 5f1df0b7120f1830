#include "align/feature_fit.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/features2d.hpp>

#include <vector>

namespace lumicomb {

namespace {

constexpr int kFeatures = 1000;
/// A match counts when its best partner is clearly better than the second best.
constexpr float kClearlyBest = 0.8f;
/// How far, in pixels of the pictures matched, a match may land from where the fit puts it.
constexpr double kAgreement = 3.0;
/// Fewer agreeing matches than this are as likely chance as a fit, even between unrelated
/// pictures.
constexpr int kFewestAgreeing = 24;

struct Matches {
  std::vector<cv::Point2f> source;
  std::vector<cv::Point2f> reference;
};

Matches clearMatches(const cv::Mat &reference, const cv::Mat &source) {
  const cv::Ptr<cv::ORB> orb = cv::ORB::create(kFeatures);
  std::vector<cv::KeyPoint> referencePoints;
  std::vector<cv::KeyPoint> sourcePoints;
  cv::Mat referenceDescriptors;
  cv::Mat sourceDescriptors;
  orb->detectAndCompute(reference, cv::noArray(), referencePoints, referenceDescriptors);
  orb->detectAndCompute(source, cv::noArray(), sourcePoints, sourceDescriptors);
  Matches matches;
  if (referenceDescriptors.rows < 2 || sourceDescriptors.rows < 2)
    return matches;
  std::vector<std::vector<cv::DMatch>> candidates;
  cv::BFMatcher(cv::NORM_HAMMING).knnMatch(sourceDescriptors, referenceDescriptors, candidates, 2);
  for (const std::vector<cv::DMatch> &pair : candidates)
    if (pair.size() == 2 && pair[0].distance < kClearlyBest * pair[1].distance) {
      matches.source.push_back(sourcePoints[pair[0].queryIdx].pt);
      matches.reference.push_back(referencePoints[pair[0].trainIdx].pt);
    }
  return matches;
}

/// The shift most matches agree on, averaged over them: every match's own shift is tried, which
/// for a couple of thousand matches costs less than the matching did.
std::optional<FrameTransform> fitShift(const Matches &matches) {
  std::vector<cv::Point2f> shifts(matches.source.size());
  for (size_t i = 0; i < shifts.size(); ++i)
    shifts[i] = matches.reference[i] - matches.source[i];
  const auto agreeing = [&](cv::Point2f shift) {
    std::vector<size_t> found;
    for (size_t i = 0; i < shifts.size(); ++i)
      if (cv::norm(shifts[i] - shift) <= kAgreement)
        found.push_back(i);
    return found;
  };
  std::vector<size_t> best;
  for (const cv::Point2f shift : shifts)
    if (std::vector<size_t> found = agreeing(shift); found.size() > best.size())
      best = std::move(found);
  if (best.size() < kFewestAgreeing)
    return std::nullopt;
  double dx = 0;
  double dy = 0;
  for (const size_t i : best) {
    dx += shifts[i].x;
    dy += shifts[i].y;
  }
  return FrameTransform::translation(dx / best.size(), dy / best.size());
}

std::optional<FrameTransform> fitModel(const Matches &matches, AlignModel model) {
  if (model == AlignModel::Translation)
    return fitShift(matches);
  cv::Mat agreeing;
  cv::Mat fit;
  constexpr size_t kMostTries = 2000;
  if (model == AlignModel::Similarity)
    fit = cv::estimateAffinePartial2D(matches.source, matches.reference, agreeing, cv::RANSAC,
                                      kAgreement, kMostTries, 0.995);
  else if (model == AlignModel::Affine)
    fit = cv::estimateAffine2D(matches.source, matches.reference, agreeing, cv::RANSAC, kAgreement,
                               kMostTries, 0.995);
  else // plain RANSAC stops at a homography that bends the frame's corners by pixels
    fit = cv::findHomography(matches.source, matches.reference, cv::USAC_MAGSAC, kAgreement,
                             agreeing, kMostTries, 0.995);
  if (fit.empty() || cv::countNonZero(agreeing) < kFewestAgreeing)
    return std::nullopt;
  FrameTransform transform;
  for (int row = 0; row < fit.rows; ++row)
    for (int column = 0; column < 3; ++column)
      transform.m[3 * row + column] = fit.at<double>(row, column);
  return transform;
}

} // namespace

std::optional<FrameTransform> fitByFeatures(const cv::Mat &reference, const cv::Mat &source,
                                            AlignModel model) {
  const Matches matches = clearMatches(reference, source);
  if (matches.source.size() < kFewestAgreeing)
    return std::nullopt;
  return fitModel(matches, model);
}

} // namespace lumicomb
