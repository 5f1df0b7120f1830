#include "blend/sweep_pass.h"

#include "blend/functions.h"
#include "engine/errors.h"
#include "engine/parallel_for.h"

#include <algorithm>
#include <memory>
#include <mutex>

namespace lumicomb {
namespace {

std::string sizeText(int64_t width, int64_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

/// Serialises progress and yield for the worker threads and counts rows done.
class PassProgress {
public:
  PassProgress(WindowOperations &window, int sources, int64_t height)
      : m_window(window), m_sources(sources), m_height(height) {}

  void rowRead() {
    std::lock_guard lock(m_mutex);
    m_window.setProgressValue(sweepProgressValue(m_rowsDone++, m_sources, m_height));
    m_window.yield();
  }

private:
  WindowOperations &m_window;
  std::mutex m_mutex;
  int m_sources;
  int64_t m_height;
  int64_t m_rowsDone = 0;
};

/// Releases every full-size source bitmap when the pass ends, also when it fails.
class SourceRelease {
public:
  explicit SourceRelease(ImageSet &set) : m_set(set) {}
  ~SourceRelease() {
    for (int i = 1; i <= m_set.sourceCount(); ++i)
      m_set.entry(i).FullBitmap.reset();
  }

private:
  ImageSet &m_set;
};

void requireSameSize(const PassContext &context, int i, const FIBITMAP *source) {
  const ImageEntry &first = context.set.entry(1);
  const ImageEntry &entry = context.set.entry(i);
  if (entry.PixelWidth != first.PixelWidth || entry.PixelHeight != first.PixelHeight)
    throw LumicombError(ErrorKind::SizeMismatch, quoted(context.set.imagePath(i)) + " is " +
                                                     sizeText(entry.PixelWidth, entry.PixelHeight) +
                                                     " pixels, but " +
                                                     quoted(context.set.imagePath(1)) + " is " +
                                                     sizeText(first.PixelWidth, first.PixelHeight));
  if (widthOf(source) != context.width || heightOf(source) != context.height)
    throw LumicombError(ErrorKind::SizeMismatch,
                        "the preview of " + quoted(context.set.imagePath(i)) + " is " +
                            sizeText(widthOf(source), heightOf(source)) + " pixels, not " +
                            sizeText(context.width, context.height));
}

const FIBITMAP *acquireSource(const PassContext &context, int i) {
  ImageEntry &entry = context.set.entry(i);
  if (context.mode.usesPreviews()) {
    if (!entry.PreviewBitmap)
      makePreview(context.set, i, context.box);
    return entry.PreviewBitmap.get();
  }
  if (!entry.FullBitmap)
    LoadFullImage(context.set, i);
  return entry.FullBitmap.get();
}

/// Rows are guarded in stripes so that two sources can be gathered at once; each thread starts
/// at its own stripe to keep them out of each other's way.
class RowStripes {
public:
  explicit RowStripes(int64_t height)
      : m_height(height), m_count(std::clamp<int64_t>(height, 1, 64)),
        m_locks(std::make_unique<std::mutex[]>(static_cast<size_t>(m_count))) {}

  template <typename RowFunction> void forEachRow(int64_t firstStripe, RowFunction &&row) {
    for (int64_t s = 0; s < m_count; ++s) {
      const int64_t stripe = (firstStripe + s) % m_count;
      std::lock_guard lock(m_locks[static_cast<size_t>(stripe)]);
      for (int64_t y = stripe * m_height / m_count; y < (stripe + 1) * m_height / m_count; ++y)
        row(y);
    }
  }

private:
  int64_t m_height;
  int64_t m_count;
  std::unique_ptr<std::mutex[]> m_locks;
};

} // namespace

int64_t sweepProgressValue(int64_t rowsDone, int sources, int64_t height) {
  const int64_t image = rowsDone / height + 1;
  const int64_t y = rowsDone % height;
  const double value =
      static_cast<double>((image - 1) * height) / sources + static_cast<double>(y) / sources;
  return static_cast<int64_t>(roundHalfEven(value));
}

void runSweepPass(const PassContext &context, SweepRule &rule) {
  const int sources = context.set.sourceCount();
  rule.begin(sources, context.width, context.height);
  PassProgress progress(context.window, sources, context.height);
  RowStripes stripes(context.height);
  SourceRelease release(context.set);

  parallelFor(sources, [&](int64_t index) {
    const int i = static_cast<int>(index) + 1;
    const FIBITMAP *source = acquireSource(context, i);
    requireSameSize(context, i, source);
    stripes.forEachRow(index * 64 / workerThreads(), [&](int64_t y) {
      progress.rowRead();
      rule.collect(i, y, scanLine(source, y));
    });
    context.set.entry(i).FullBitmap.reset();
  });

  parallelFor(context.height, [&](int64_t y) { rule.reduce(y, scanLine(context.result, y)); });
}

} // namespace lumicomb
