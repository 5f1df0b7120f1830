#include "passes/bright_frames.h"

#include "base/errors.h"
#include "base/parallel_for.h"
#include "passes/stage_progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lumicomb {
namespace {

/// The long side a frame is measured at: a mean needs no more.
constexpr int kMeasuredSide = 320;

double meanOf(const FIBITMAP *picture) {
  const int64_t width = widthOf(picture), height = heightOf(picture);
  const bool wide = depthOf(picture) == SampleDepth::Sixteen;
  double total = 0;
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t *row = scanLine(picture, y);
    for (int64_t k = 0; k < 3 * width; ++k)
      total += wide ? reinterpret_cast<const uint16_t *>(row)[k] / 257.0 : row[k];
  }
  return total / static_cast<double>(std::max<int64_t>(3 * width * height, 1));
}

double medianOf(std::vector<double> values) {
  const size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle),
                   values.end());
  if (values.size() % 2 == 1)
    return values[middle];
  const double upper = values[middle];
  return (*std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle)) +
          upper) /
         2;
}

} // namespace

std::vector<BrightFrame> brightFrames(const PassContext &context) {
  const int count = context.set.sourceCount();
  DecodeOptions limits;
  limits.memoryBudget = context.memoryBudget;
  limits.reducedLongSide = kMeasuredSide;
  const ImageHeader header = readImageHeader(context.set.imagePath(1), limits);
  const uint64_t fit = context.memoryBudget / std::max<uint64_t>(header.decodeBytes, 1);
  const int threads = static_cast<int>(std::clamp<uint64_t>(fit, 1, std::max(context.threads, 1)));
  StageProgress progress(context.observer, "measuring", count);
  std::vector<double> means(static_cast<size_t>(count));
  parallelFor(
      count,
      [&](int64_t k) {
        progress.yield();
        const int i = static_cast<int>(k) + 1;
        if (context.usesPreviews()) {
          if (!context.set.entry(i).preview)
            makePreview(context.set, i, context.box, limits);
          means[static_cast<size_t>(k)] = meanOf(context.set.entry(i).preview.get());
        } else {
          means[static_cast<size_t>(k)] =
              meanOf(decodeImageFile(context.set.imagePath(i), limits).rgb.get());
        }
        progress.frameDone();
      },
      threads);
  const double median = medianOf(means);
  std::vector<double> deviations;
  for (double mean : means)
    deviations.push_back(std::abs(mean - median));
  const double spread = std::max(medianOf(deviations), 0.01 * median);
  std::vector<BrightFrame> skipped;
  for (int i = 2; i <= count; ++i) {
    const double mean = means[static_cast<size_t>(i - 1)];
    if (mean <= median + 5 * spread)
      continue;
    const double ratio = median > 0 ? mean / median : INFINITY;
    char times[32];
    std::snprintf(times, sizeof times, "%.1fx", ratio);
    skipped.push_back({i, ratio,
                       "skipped " + quoted(context.set.imagePath(i)) + ": " + times +
                           " brighter than the night"});
  }
  return skipped;
}

std::optional<ImageSet> withoutBrightFrames(const PassContext &context) {
  const std::vector<BrightFrame> skipped = brightFrames(context);
  if (skipped.empty())
    return std::nullopt;
  std::vector<int> kept;
  size_t next = 0;
  for (int i = 1; i <= context.set.sourceCount(); ++i) {
    if (next < skipped.size() && skipped[next].image == i) {
      context.observer.note(skipped[next++].note);
      continue;
    }
    kept.push_back(i);
  }
  return context.set.subset(kept);
}

} // namespace lumicomb
