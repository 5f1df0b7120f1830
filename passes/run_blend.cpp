#include "passes/run_blend.h"

#include "base/errors.h"
#include "base/parallel_for.h"
#include "imaging/colour_profiles.h"
#include "passes/band_pass.h"
#include "passes/bright_frames.h"
#include "passes/frame_pass.h"
#include "passes/gap_bridging.h"
#include "passes/sequence_pass.h"
#include "passes/source_steps.h"

#include "passes/stage_progress.h"
#include "passes/sweep_pass.h"
#include <algorithm>

namespace lumicomb {
namespace {

/// After a refused preview run, the result box shows what a result starts as: image 1's preview.
Bitmap firstPreview(ImageSet &set, const BlendRequest &request) {
  if (!set.entry(1).preview)
    makePreview(set, 1, request.box, {.memoryBudget = request.memoryBudget});
  Bitmap copy(FreeImage_Clone(set.entry(1).preview.get()));
  if (!copy)
    throw std::bad_alloc();
  return copy;
}

/// Image 1's colour profile becomes the one every source is converted into, unless it is damaged
/// (its own decode then says so, and sRGB is taken); its metadata goes to the result.
void takeImageOnesInfo(const ImageSet &set, const BlendRequest &request, BlendOutcome &outcome,
                       RunWarnings &warnings) {
  PhotoInfo first = readPhotoInfo(set.imagePath(1), request.withMetadata);
  for (const std::string &warning : first.warnings)
    warnings.add(warning);
  if (usableProfile(first.iccProfile))
    outcome.iccProfile = std::move(first.iccProfile);
  outcome.metadata = std::move(first.metadata);
}

/// A map of frame numbers made of the set without its bright frames numbers them as the set does.
void numberAsInTheSet(ResultMap &map, const ImageSet &subset, const ImageSet &set) {
  std::vector<uint16_t> number(static_cast<size_t>(subset.sourceCount()) + 1, 0);
  for (int i = 1, j = 1; i <= subset.sourceCount(); ++i) {
    while (j <= set.sourceCount() && set.imagePath(j) != subset.imagePath(i))
      ++j;
    number[static_cast<size_t>(i)] = static_cast<uint16_t>(j++);
  }
  FIBITMAP *picture = map.picture.get();
  for (int64_t y = 0; y < heightOf(picture); ++y) {
    auto *row = reinterpret_cast<uint16_t *>(scanLine(picture, y));
    for (int64_t x = 0; x < widthOf(picture); ++x)
      row[x] = number[std::min<size_t>(row[x], number.size() - 1)];
  }
}

} // namespace

std::string mapRefusal(const RuleDescription &rule) {
  const auto caption = [](const RuleDescription &row) {
    return "\"" + std::string(row.caption) + "\"";
  };
  std::string others;
  const std::vector<const RuleDescription *> withMaps = rulesWithMaps();
  for (size_t k = 0; k < withMaps.size(); ++k)
    others += (k == 0 ? "" : k + 1 == withMaps.size() ? " and " : ", ") + caption(*withMaps[k]);
  return caption(rule) + " makes no map; " + others + " do";
}

BlendOutcome runBlend(ImageSet &set, const BlendRequest &request, RunObserver &observer) {
  if (set.sourceCount() == 0)
    throw LumicombError(ErrorKind::NoSources, "there are no images to blend");
  const RuleDescription &description = ruleDescription(request.rule);
  if (request.withMap && description.map == MapKind::None)
    throw LumicombError(ErrorKind::NotAvailable, mapRefusal(description));
  if (request.withMap && request.sequence)
    throw LumicombError(ErrorKind::NotAvailable, "a time-lapse makes no map");
  if (std::optional<std::string> refusal = sourceCountRefusal(description, set.sourceCount())) {
    BlendOutcome refused;
    refused.refusal = std::move(refusal);
    if (request.mode == RunMode::Previews)
      refused.picture = firstPreview(set, request);
    return refused;
  }
  const bool previews = request.mode == RunMode::Previews;
  const SampleDepth depth = previews ? SampleDepth::Eight : request.depth;
  const BlendRule rule = makeRule(description, request.parameters, depth);
  if (request.closeGaps && !closesGaps(description))
    throw LumicombError(ErrorKind::OutOfRange, gapRulesRefusal());
  SequenceRules sequence;
  if (request.sequence)
    sequence = sequenceRules(description, request.parameters, depth, request.window);

  BlendOutcome outcome;
  RunWarnings warnings;
  if (!previews)
    takeImageOnesInfo(set, request, outcome, warnings);
  const int threads = request.threads > 0 ? request.threads : workerThreads();
  const ProgressShown progress(observer);
  std::optional<ImageSet> kept;
  if (request.skipBrightFrames) {
    const PassContext measuring{set,      request.mode,         request.box,
                                observer, request.memoryBudget, threads};
    kept = withoutBrightFrames(measuring);
    if (kept)
      if (std::optional<std::string> refusal =
              sourceCountRefusal(description, kept->sourceCount())) {
        outcome.refusal = std::move(refusal);
        if (previews)
          outcome.picture = firstPreview(set, request);
        return outcome;
      }
  }
  PassContext context{kept ? *kept : set,
                      request.mode,
                      request.box,
                      observer,
                      request.memoryBudget,
                      threads,
                      depth,
                      &outcome.iccProfile,
                      &warnings};
  if (request.withMap) {
    outcome.map.kind = description.map;
    context.map = &outcome.map.picture;
  }
  {
    SourceSteps steps = prepareSourceSteps(context, request.removeHotPixels);
    if (steps.any()) {
      context.sourceSteps = &steps;
      context.memoryBudget -= std::min(context.memoryBudget, steps.heldBytes());
    }
    const GapFilling gaps{request.gapPixels};
    if (request.closeGaps)
      context.gapFilling = &gaps;
    if (request.alignment) {
      // A series stepping through focus or exposure is fitted frame to frame.
      const FitOptions fit{rule.frames && rule.frames->framesInSequence(),
                           rule.frames && rule.frames->evenExposure()};
      outcome.alignment =
          std::make_shared<const AlignmentPlan>(planAlignment(context, *request.alignment, fit));
      context.alignment = outcome.alignment.get();
    }
    if (request.sequence) {
      request.sequence->describe(outcome.iccProfile, outcome.metadata);
      outcome.picture = runSequencePass(context, *sequence.steps, sequence.whole.get(),
                                        *request.sequence, request.window > 0);
    } else if (rule.sweep) {
      outcome.picture = runSweepPass(context, *rule.sweep);
    } else if (rule.band) {
      outcome.picture = runBandPass(context, *rule.band);
    } else {
      outcome.picture = runFramePass(context, *rule.frames);
    }
    if (request.keepMasterDark)
      outcome.masterDark = std::move(steps.masterDark);
  }
  outcome.sources = context.set.sourceCount();
  outcome.map.sources = set.sourceCount();
  if (kept && outcome.map.kind == MapKind::FrameNumbers && outcome.map.picture)
    numberAsInTheSet(outcome.map, *kept, set);
  warnings.tell(observer);
  return outcome;
}

} // namespace lumicomb
