#include "passes/source_steps.h"

#include "base/errors.h"
#include "base/parallel_for.h"
#include "passes/band_pass.h"
#include "passes/pass_sources.h"
#include "passes/stage_progress.h"
#include "rules/average.h"
#include "rules/median.h"

#include <algorithm>
#include <utility>

namespace lumicomb {
namespace {

/// Passes everything on, but names every phase as the stage it serves.
class RenamedPhases : public RunObserver {
public:
  RenamedPhases(RunObserver &inner, std::string name) : m_inner(inner), m_name(std::move(name)) {}
  void setProgressVisible(bool visible) override { m_inner.setProgressVisible(visible); }
  void setPhase(const RunPhase &phase) override { m_inner.setPhase({m_name, phase.frames}); }
  void setProgressMaximum(double maximum) override { m_inner.setProgressMaximum(maximum); }
  void setProgressValue(int64_t value) override { m_inner.setProgressValue(value); }
  void yield() override { m_inner.yield(); }
  bool cancelRequested() override { return m_inner.cancelRequested(); }
  void warn(const std::string &message) override { m_inner.warn(message); }

private:
  RunObserver &m_inner;
  std::string m_name;
};

template <typename Sample> void subtractRows(const FIBITMAP *dark, FIBITMAP *picture) {
  const int64_t length = 3 * widthOf(picture);
  for (int64_t y = 0; y < heightOf(picture); ++y) {
    const Sample *__restrict minus = reinterpret_cast<const Sample *>(scanLine(dark, y));
    Sample *__restrict row = reinterpret_cast<Sample *>(scanLine(picture, y));
    for (int64_t k = 0; k < length; ++k)
      row[k] = static_cast<Sample>(row[k] > minus[k] ? row[k] - minus[k] : 0);
  }
}

/// Every dark must be the lights' size; a header costs a small read.
void requireDarksFit(const PassContext &context, const ImageSet &darks) {
  DecodeOptions limits;
  limits.memoryBudget = context.memoryBudget;
  const ImageHeader first = readImageHeader(context.set.imagePath(1), limits);
  for (int j = 1; j <= darks.sourceCount(); ++j) {
    const ImageHeader dark = readImageHeader(darks.imagePath(j), limits);
    if (dark.width != first.width || dark.height != first.height)
      throw LumicombError(ErrorKind::SizeMismatch,
                          quoted(darks.imagePath(j)) + " is " + std::to_string(dark.width) + "x" +
                              std::to_string(dark.height) + " pixels, but " +
                              quoted(context.set.imagePath(1)) + " is " +
                              std::to_string(first.width) + "x" + std::to_string(first.height));
  }
}

Bitmap masterDark(const PassContext &context) {
  ImageSet darks = context.set.darkSet();
  requireDarksFit(context, darks);
  RenamedPhases observer(context.observer, "master dark");
  const PassContext darkContext{darks,         context.mode,          context.box,
                                observer,      context.memoryBudget,  context.threads,
                                context.depth, context.targetProfile, context.warnings};
  if (darks.sourceCount() >= 3)
    return runBandPass(darkContext, *medianRule(context.depth));
  return runSweepPass(darkContext, *averageRule(context.depth));
}

/// Image i's isolated peaks, in its preview or in a fresh 8-bit decode with its colours as stored.
std::vector<PixelPlace> peaksOfImage(const PassContext &context, int i, PictureSize first) {
  DecodeOptions limits;
  limits.memoryBudget = context.memoryBudget;
  if (i > 1)
    limits.checkHeader = [&](const ImageHeader &header) {
      if (header.width != first.width || header.height != first.height)
        refuseOtherSize(context, i, {header.width, header.height}, first);
    };
  if (!context.usesPreviews())
    return isolatedPeaks(decodeImageFile(context.set.imagePath(i), limits).rgb.get());
  ImageEntry &entry = context.set.entry(i);
  if (!entry.preview)
    makePreview(context.set, i, context.box, limits);
  return isolatedPeaks(entry.preview.get());
}

/// A hot pixel stays far above its neighbours in nearly every frame, while a star moves on.
std::vector<PixelPlace> hotPixelsOfImages(const PassContext &context) {
  constexpr int kMostLooked = 5;
  const int count = context.set.sourceCount();
  const int looked = std::min(count, kMostLooked);
  DecodeOptions limits;
  limits.memoryBudget = context.memoryBudget;
  const ImageHeader header = readImageHeader(context.set.imagePath(1), limits);
  const uint64_t fit = context.memoryBudget / std::max<uint64_t>(header.decodeBytes, 1);
  const int threads = static_cast<int>(std::clamp<uint64_t>(fit, 1, std::max(context.threads, 1)));
  StageProgress progress(context.observer, "hot pixels", looked);
  std::vector<std::vector<PixelPlace>> peaks(static_cast<size_t>(looked));
  parallelFor(
      looked,
      [&](int64_t k) {
        progress.yield();
        const int i = looked == 1 ? 1 : 1 + static_cast<int>(k * (count - 1) / (looked - 1));
        peaks[static_cast<size_t>(k)] = peaksOfImage(context, i, {header.width, header.height});
        progress.frameDone();
      },
      threads);
  return placesInAtLeast(peaks, looked >= 3 ? static_cast<size_t>(looked - 1)
                                            : static_cast<size_t>(looked));
}

} // namespace

uint64_t SourceSteps::heldBytes() const {
  const uint64_t dark = masterDark ? rgbBytes(widthOf(masterDark.get()), heightOf(masterDark.get()),
                                              depthOf(masterDark.get()))
                                   : 0;
  return dark + hotPixels.size() * sizeof(PixelPlace);
}

SourceSteps prepareSourceSteps(const PassContext &context, bool removeHotPixels) {
  SourceSteps steps;
  if (context.set.darkCount() > 0)
    steps.masterDark = masterDark(context);
  if (removeHotPixels)
    steps.hotPixels =
        steps.masterDark ? isolatedPeaks(steps.masterDark.get()) : hotPixelsOfImages(context);
  return steps;
}

void applySourceSteps(const SourceSteps &steps, FIBITMAP *picture) {
  if (steps.masterDark) {
    if (depthOf(picture) == SampleDepth::Sixteen)
      subtractRows<uint16_t>(steps.masterDark.get(), picture);
    else
      subtractRows<uint8_t>(steps.masterDark.get(), picture);
  }
  repairHotPixels(picture, steps.hotPixels);
}

} // namespace lumicomb
