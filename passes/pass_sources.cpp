#include "passes/pass_sources.h"

#include "base/errors.h"
#include "base/memory_budget.h"
#include "passes/aligned_sources.h"
#include "passes/alignment_plan.h"
#include "passes/source_steps.h"

#include <algorithm>

namespace lumicomb {
namespace {

std::string sizeText(int64_t width, int64_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

bool needsDecoding(const PassContext &context) {
  if (!context.usesPreviews())
    return true;
  for (int i = 1; i <= context.set.sourceCount(); ++i)
    if (!context.set.entry(i).preview)
      return true;
  return false;
}

PictureSize resultSizeFor(const PassContext &context, const ImageHeader &first) {
  if (context.alignment)
    return {context.alignment->crop.width, context.alignment->crop.height};
  if (!context.usesPreviews())
    return {first.width, first.height};
  if (const FIBITMAP *preview = context.set.entry(1).preview.get())
    return sizeOf(preview);
  const PreviewSize size = previewSizeFor(first.width, first.height, context.box);
  return {size.width, size.height};
}

} // namespace

PictureSize sizeOf(const FIBITMAP *bitmap) { return {widthOf(bitmap), heightOf(bitmap)}; }

void refuseOtherSize(const PassContext &context, int i, PictureSize actual, PictureSize first) {
  throw LumicombError(ErrorKind::SizeMismatch, quoted(context.set.imagePath(i)) + " is " +
                                                   sizeText(actual.width, actual.height) +
                                                   " pixels, but " +
                                                   quoted(context.set.imagePath(1)) + " is " +
                                                   sizeText(first.width, first.height));
}

DecodingPlan planDecoding(const PassContext &context,
                          const std::function<uint64_t(PictureSize result)> &heldBeside,
                          size_t queueWanted) {
  DecodingPlan plan;
  const int threads = std::max(1, std::min(context.threads, context.set.sourceCount()));
  if (!needsDecoding(context)) {
    plan.threads = threads;
    plan.queueLimit = queueWanted;
    const ImageEntry &first = context.set.entry(1);
    plan.photograph = {first.width, first.height};
    plan.result = resultSizeFor(context, plan.first);
    return plan;
  }
  DecodeOptions limits;
  limits.memoryBudget = context.memoryBudget;
  limits.depth = context.depth;
  const std::string firstPath = context.set.imagePath(1);
  plan.first = readImageHeader(firstPath, limits);
  plan.photograph = {plan.first.width, plan.first.height};
  plan.result = resultSizeFor(context, plan.first);
  plan.heldBeside = heldBeside(plan.result);
  limits.heldBeside = plan.heldBeside;
  requireDecodeFits(firstPath, plan.first, limits);
  // From here on the plan counts what a decode holds at the run's depth.
  plan.first.decodeBytes = decodeBytesAt(plan.first, limits.depth);
  if (context.alignment) // the warped copy is made beside the decode
    plan.first.decodeBytes += context.pictureBytes(plan.result.width, plan.result.height);

  const uint64_t fit =
      (context.memoryBudget - plan.heldBeside) / std::max<uint64_t>(plan.first.decodeBytes, 1);
  plan.threads = static_cast<int>(std::clamp<uint64_t>(fit, 1, static_cast<uint64_t>(threads)));
  plan.queueLimit = static_cast<size_t>(
      std::min<uint64_t>(queueWanted, fit - static_cast<uint64_t>(plan.threads)));
  return plan;
}

void prepareDecodingMemory(const DecodingPlan &plan, uint64_t held) {
  if (plan.first.width == 0)
    return; // nothing to decode
  // A progressive JPEG's decoder keeps every coefficient of the picture: twice its samples.
  constexpr uint64_t kDecodingFootprint = 3;
  const uint64_t pictures = static_cast<uint64_t>(plan.threads) + plan.queueLimit;
  const uint64_t decoding = std::min(plan.first.decodeBytes, UINT64_MAX / 64);
  preparePictureMemory(held + pictures * kDecodingFootprint * decoding);
}

namespace {

void decodeSource(const PassContext &context, const DecodingPlan &plan, int i) {
  DecodeOptions limits;
  limits.memoryBudget = context.memoryBudget;
  limits.heldBeside = plan.heldBeside;
  limits.depth = context.depth;
  // Every pass reads its sources' rows through rowAtDepth; but a warp of 8-bit samples keeps
  // only 8 bits of what it interpolates.
  limits.keepEightBitSamples = !context.alignment && !context.sourceSteps;
  limits.targetProfile = context.targetProfile;
  if (context.warnings)
    limits.warn = [&context](const std::string &warning) { context.warnings->add(warning); };
  if (i > 1)
    limits.checkHeader = [&](const ImageHeader &header) {
      // A source of another size is refused before it is decoded, whatever size it claims.
      if (header.width != plan.first.width || header.height != plan.first.height)
        refuseOtherSize(context, i, {header.width, header.height},
                        {plan.first.width, plan.first.height});
    };
  if (context.usesPreviews())
    makePreview(context.set, i, context.box, limits);
  else
    loadFullSize(context.set, i, limits);
}

/// The source steps work on the full-size decode itself, and on a copy of a preview, which
/// stays for later runs as it is.
void correctSource(const PassContext &context, int i) {
  ImageEntry &entry = context.set.entry(i);
  if (context.usesPreviews()) {
    entry.corrected.reset(FreeImage_Clone(entry.preview.get()));
    if (!entry.corrected)
      throw std::bad_alloc();
  } else {
    entry.corrected = std::move(entry.fullSize);
  }
  applySourceSteps(*context.sourceSteps, entry.corrected.get());
}

/// Image 1 is only cut to the crop: its transform is the identity, which copies samples as
/// they are. The full-size decode goes as soon as its warped copy is made.
void alignSource(const PassContext &context, int i) {
  ImageEntry &entry = context.set.entry(i);
  const AlignmentPlan &alignment = *context.alignment;
  const FIBITMAP *loaded = entry.corrected          ? entry.corrected.get()
                           : context.usesPreviews() ? entry.preview.get()
                                                    : entry.fullSize.get();
  entry.aligned =
      warpedCopy(loaded, alignment.toImageOne.at(static_cast<size_t>(i - 1)), alignment.crop);
  entry.fullSize.reset();
  entry.corrected.reset();
}

} // namespace

void loadSource(const PassContext &context, const DecodingPlan &plan, int i) {
  ImageEntry &entry = context.set.entry(i);
  if (context.alignment ? bool(entry.aligned) : context.sourceSteps && entry.corrected)
    return;
  if (!(context.usesPreviews() ? bool(entry.preview) : bool(entry.fullSize)))
    decodeSource(context, plan, i);
  if (context.sourceSteps)
    correctSource(context, i);
  if (context.alignment)
    alignSource(context, i);
}

const FIBITMAP *loadedSource(const PassContext &context, int i) {
  const ImageEntry &entry = context.set.entry(i);
  if (context.alignment)
    return entry.aligned.get();
  if (context.sourceSteps)
    return entry.corrected.get();
  return context.usesPreviews() ? entry.preview.get() : entry.fullSize.get();
}

void releaseSource(const PassContext &context, int i) {
  ImageEntry &entry = context.set.entry(i);
  entry.fullSize.reset();
  entry.aligned.reset();
  entry.corrected.reset();
}

void requireSameSize(const PassContext &context, int i, PictureSize photograph,
                     PictureSize expected) {
  const ImageEntry &entry = context.set.entry(i);
  if (entry.width != photograph.width || entry.height != photograph.height) {
    if (i == 1)
      throw LumicombError(ErrorKind::SizeMismatch,
                          quoted(context.set.imagePath(1)) + " changed size during the blend");
    refuseOtherSize(context, i, {entry.width, entry.height}, photograph);
  }
  // Previews made earlier under other preview settings can differ although the photographs agree.
  const PictureSize actual = sizeOf(loadedSource(context, i));
  if (actual.width != expected.width || actual.height != expected.height)
    throw LumicombError(ErrorKind::SizeMismatch,
                        "the preview of " + quoted(context.set.imagePath(i)) + " is " +
                            sizeText(actual.width, actual.height) + " pixels, not " +
                            sizeText(expected.width, expected.height));
}

SourceRelease::~SourceRelease() {
  for (int i = 1; i <= m_set.sourceCount(); ++i) {
    m_set.entry(i).fullSize.reset();
    m_set.entry(i).aligned.reset();
    m_set.entry(i).corrected.reset();
  }
}

} // namespace lumicomb
