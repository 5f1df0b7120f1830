#include "passes/alignment_plan.h"

#include "align/alignment_estimate.h"
#include "align/common_rectangle.h"
#include "align/exposure_ratio.h"
#include "base/errors.h"
#include "base/parallel_for.h"
#include "passes/aligned_sources.h"
#include "passes/grey_frames.h"
#include "passes/pass_sources.h"
#include "passes/stage_progress.h"

#include <algorithm>
#include <cmath>

namespace lumicomb {
namespace {

/// The long side of the grey copies a full-size fit works on: the size its features are matched
/// at, beyond which a copy would only be reduced again.
constexpr int64_t kFullSizeFitSide = 1024;

/// Source i's grey copy from a fresh 8-bit decode, reduced by the codec where it can be, with its
/// colours as stored: the fit needs neither the run's depth nor its colours. A source of another
/// size than image 1 is refused before it is decoded, as the run refuses it.
GreyFrame fullSizeGrey(const PassContext &context, int i, uint64_t heldBeside, PictureSize first) {
  DecodeOptions limits;
  limits.memoryBudget = context.memoryBudget;
  limits.heldBeside = heldBeside;
  limits.reducedLongSide = static_cast<int>(kFullSizeFitSide);
  if (i > 1)
    limits.checkHeader = [&](const ImageHeader &header) {
      if (header.width != first.width || header.height != first.height)
        refuseOtherSize(context, i, {header.width, header.height}, first);
    };
  const DecodedImage decoded = decodeImageFile(context.set.imagePath(i), limits);
  // The full size, whatever the decode was reduced to: the fit is scaled up to it.
  return {greyCopy(sampleRowsOf(decoded.rgb.get()), kFullSizeFitSide), first};
}

/// Source i's grey copy from its preview, made first if need be.
GreyFrame previewGrey(const PassContext &context, int i) {
  ImageEntry &entry = context.set.entry(i);
  if (!entry.preview) {
    DecodeOptions limits;
    limits.memoryBudget = context.memoryBudget;
    makePreview(context.set, i, context.box, limits);
  }
  const ImageEntry &first = context.set.entry(1);
  if (i > 1)
    requireSameSize(context, i, {first.width, first.height}, sizeOf(first.preview.get()));
  return {greyCopy(sampleRowsOf(entry.preview.get()), INT64_MAX), sizeOf(entry.preview.get())};
}

/// A map between grey copies of `grey`'s size, for the pictures they were made from. The
/// identity stays exact, so that its frame is copied unchanged.
FrameTransform forPicture(const FrameTransform &onGrey, const GreyFrame &grey) {
  return onGrey.rescaled(
      static_cast<double>(grey.picture.width) / static_cast<double>(grey.grey.width),
      static_cast<double>(grey.picture.height) / static_cast<double>(grey.grey.height));
}

/// Gains within this of 1 leave the frames' samples as they are.
constexpr double kSteadyExposure = 0.005;

} // namespace

PixelRectangle AlignmentPlan::cropFromTop() const {
  return {crop.x, height - crop.y - crop.height, crop.width, crop.height};
}

std::string AlignmentPlan::summary() const {
  const PixelRectangle shown = cropFromTop();
  const size_t frames = toImageOne.size();
  return "aligned " + std::to_string(frames) + (frames == 1 ? " frame" : " frames") + "; result " +
         std::to_string(shown.width) + "x" + std::to_string(shown.height) + " at +" +
         std::to_string(shown.x) + "+" + std::to_string(shown.y);
}

AlignmentPlan planAlignment(const PassContext &context, AlignModel model,
                            const FitOptions &options) {
  const int frames = context.set.sourceCount();
  const bool previews = context.usesPreviews();
  // Image 1's grey copy counts as a frame: at full size it costs a decode as the others do.
  StageProgress progress(context.observer, "fitting", frames);
  int threads = std::max(1, context.threads);
  uint64_t heldBeside = 0;
  GreyFrame first;
  if (previews) {
    first = previewGrey(context, 1);
  } else {
    DecodeOptions limits;
    limits.memoryBudget = context.memoryBudget;
    const ImageHeader header = readImageHeader(context.set.imagePath(1), limits);
    first = fullSizeGrey(context, 1, 0, {header.width, header.height});
    // Each thread holds a decode and its grey copy; image 1's copy or, chained, the copy each
    // thread waits for stays beside them.
    const uint64_t greyBytes = first.grey.samples.size();
    const uint64_t perThread = decodeBytesAt(header, SampleDepth::Eight) + 2 * greyBytes;
    const uint64_t fit = context.memoryBudget > greyBytes
                             ? (context.memoryBudget - greyBytes) / std::max<uint64_t>(perThread, 1)
                             : 0;
    threads = static_cast<int>(std::clamp<uint64_t>(fit, 1, static_cast<uint64_t>(threads)));
    heldBeside = 3 * greyBytes + static_cast<uint64_t>(threads - 1) * perThread;
  }
  progress.frameDone();

  const auto referenceOf = [&](int i) { return options.chained ? i - 1 : 1; };
  std::vector<int> uses(static_cast<size_t>(frames), 1);
  uses[0] = 0;
  for (int i = 2; i <= frames; ++i)
    ++uses[static_cast<size_t>(referenceOf(i) - 1)];
  const GreyFrame shape{{first.grey.width, first.grey.height, {}}, first.picture};
  GreyFrames greys(std::move(uses));
  greys.put(1, std::move(first));
  std::vector<FrameTransform> toReference(static_cast<size_t>(frames));
  std::vector<double> ratios(static_cast<size_t>(frames), 1.0);
  parallelFor(
      frames - 1,
      [&](int64_t k) {
        const int i = static_cast<int>(k) + 2;
        const int r = referenceOf(i);
        try {
          progress.yield();
          greys.put(i, previews ? previewGrey(context, i)
                                : fullSizeGrey(context, i, heldBeside, shape.picture));
          const GreyFrame &frame = greys.waitFor(i);
          const GreyFrame &reference = greys.waitFor(r);
          const AlignmentOutcome fit = estimateAlignment(reference.grey, frame.grey, model);
          if (!fit.refusal.empty())
            throw LumicombError(
                ErrorKind::BadFile,
                quoted(context.set.imagePath(i)) + " cannot be aligned with " +
                    (r == 1 ? std::string("image 1") : quoted(context.set.imagePath(r))) + ": " +
                    fit.refusal);
          toReference[static_cast<size_t>(i - 1)] = fit.transform;
          if (options.evenExposure)
            ratios[static_cast<size_t>(i - 1)] =
                exposureRatio(reference.grey, frame.grey, fit.transform);
        } catch (...) {
          greys.abandon();
          throw;
        }
        greys.done(i);
        greys.done(r);
        progress.frameDone();
      },
      threads);

  AlignmentPlan plan;
  plan.width = shape.picture.width;
  plan.height = shape.picture.height;
  // Each fit followed by its reference's, back to image 1.
  std::vector<FrameTransform> toImageOne(static_cast<size_t>(frames));
  std::vector<double> gains(static_cast<size_t>(frames), 1.0);
  bool drifts = false;
  for (int i = 2; i <= frames; ++i) {
    const auto at = static_cast<size_t>(i - 1);
    const auto reference = static_cast<size_t>(referenceOf(i) - 1);
    toImageOne[at] = toReference[at].then(toImageOne[reference]);
    gains[at] = ratios[at] * gains[reference];
    drifts = drifts || std::abs(gains[at] - 1) > kSteadyExposure;
  }
  for (const FrameTransform &onGrey : toImageOne)
    plan.toImageOne.push_back(forPicture(onGrey, shape));
  if (drifts)
    plan.gains = std::move(gains);
  plan.crop = commonRectangle(plan.toImageOne, plan.width, plan.height);
  if (plan.crop.empty())
    throw LumicombError(ErrorKind::BadFile,
                        "the aligned images have no part of image 1's frame in common");
  return plan;
}

} // namespace lumicomb
