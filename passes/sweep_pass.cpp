#include "passes/sweep_pass.h"

#include "base/numbers.h"
#include "base/parallel_for.h"
#include "imaging/sample_rows.h"
#include "passes/gap_bridging.h"
#include "passes/source_gathering.h"

#include <algorithm>
#include <mutex>

namespace lumicomb {
namespace {

/// Serialises progress and yield for the worker threads and counts rows done.
class PassProgress {
public:
  PassProgress(RunObserver &observer, int sources) : m_observer(observer), m_sources(sources) {
    observer.setPhase({"blending", sources});
  }

  void setHeight(int64_t height) {
    m_height = height;
    m_observer.setProgressMaximum(static_cast<double>(height));
  }

  void rowRead() {
    std::lock_guard lock(m_mutex);
    m_observer.setProgressValue(sweepProgressValue(m_rowsDone++, m_sources, m_height));
    m_observer.yield();
  }

private:
  RunObserver &m_observer;
  std::mutex m_mutex;
  int m_sources;
  int64_t m_height = 1;
  int64_t m_rowsDone = 0;
};

/// Rows are guarded in stripes so that two sources can be gathered at once; each source starts
/// at its own stripe to keep the threads out of each other's way.
class RowStripes {
public:
  void setUp(int64_t height, int threads) {
    m_height = height;
    m_count = std::clamp<int64_t>(height, 1, kMostStripes);
    m_threads = std::max(threads, 1);
  }

  template <typename RowFunction> void forEachRow(int source, RowFunction &&row) {
    const int64_t firstStripe = source * kMostStripes / m_threads;
    for (int64_t s = 0; s < m_count; ++s) {
      const int64_t stripe = (firstStripe + s) % m_count;
      std::lock_guard lock(m_locks[stripe]);
      for (int64_t y = stripe * m_height / m_count; y < (stripe + 1) * m_height / m_count; ++y)
        row(y);
    }
  }

  /// Runs `row` for row y alone, holding its stripe.
  template <typename RowFunction> void withRow(int64_t y, RowFunction &&row) {
    int64_t stripe = std::min(m_count - 1, y * m_count / m_height);
    while (stripe * m_height / m_count > y)
      --stripe;
    while ((stripe + 1) * m_height / m_count <= y)
      ++stripe;
    std::lock_guard lock(m_locks[stripe]);
    row();
  }

private:
  static constexpr int64_t kMostStripes = 64;
  int64_t m_height = 0;
  int64_t m_count = 1;
  int m_threads = 1;
  std::mutex m_locks[kMostStripes];
};

class SweepPass {
public:
  SweepPass(const PassContext &context, SweepRule &rule)
      : m_context(context), m_rule(rule), m_sources(context.set.sourceCount()),
        m_progress(context.observer, m_sources), m_release(context.set) {}

  Bitmap run() {
    if (m_context.map)
      m_rule.keepMap();
    const bool imageOneFirst = m_rule.needsImageOneFirst();
    // Sources decoded while image 1 is still coming wait in a queue of their own, one per thread.
    const DecodingPlan plan = planDecoding(
        m_context,
        [&](PictureSize result) {
          return m_context.pictureBytes(result.width, result.height) +
                 m_rule.workingBytes(m_sources, result.width, result.height) +
                 (m_context.gapFilling ? GapBridging::heldBytes(result.width, result.height,
                                                                m_context.depth, m_context.threads)
                                       : 0);
        },
        imageOneFirst ? static_cast<size_t>(m_context.threads) : 0);
    prepareDecodingMemory(plan, m_context.pictureBytes(plan.result.width, plan.result.height));
    const auto collectSource = [&](int i, const FIBITMAP *source) { collect(i, source); };
    if (imageOneFirst) {
      gatherSourcesImageOneFirst(
          m_context, plan, [&](const FIBITMAP *first) { setUp(sizeOf(first)); }, collectSource);
    } else {
      setUp(plan.result);
      gatherSourcesInAnyOrder(m_context, plan, collectSource);
    }
    if (m_gaps && m_context.warnings)
      if (const std::optional<std::string> note = m_gaps->unmeasured())
        m_context.warnings->add(*note);
    // Made only now, the result takes memory the decoded pictures have given back.
    Bitmap result = allocateRgb(m_size.width, m_size.height, m_context.depth);
    parallelFor(
        m_size.height, [&](int64_t y) { m_rule.reduce(y, scanLine(result.get(), y)); },
        m_context.threads);
    if (m_context.map) {
      Bitmap map = allocateGrey16(m_size.width, m_size.height);
      for (int64_t y = 0; y < m_size.height; ++y)
        m_rule.reduceMap(y, reinterpret_cast<uint16_t *>(scanLine(map.get(), y)));
      *m_context.map = std::move(map);
    }
    return result;
  }

private:
  void setUp(PictureSize size) {
    m_size = size;
    m_rule.begin(m_sources, size.width, size.height);
    m_progress.setHeight(size.height);
    m_stripes.setUp(size.height, m_context.threads);
    if (m_context.gapFilling)
      m_gaps.emplace(m_sources, size.width, size.height, m_context.depth,
                     m_context.gapFilling->bridgePixels,
                     [this](int image, int64_t y, const uint8_t *samples) {
                       m_stripes.withRow(y, [&] { m_rule.collect(image, y, samples); });
                     });
  }

  void collect(int i, const FIBITMAP *source) {
    std::vector<uint16_t> widened;
    m_stripes.forEachRow(i, [&](int64_t y) {
      m_progress.rowRead();
      m_rule.collect(i, y, rowAtDepth(source, y, m_context.depth, widened));
    });
    if (m_gaps)
      m_gaps->frameLoaded(i, source);
    releaseSource(m_context, i);
  }

  const PassContext &m_context;
  SweepRule &m_rule;
  int m_sources;
  PassProgress m_progress;
  RowStripes m_stripes;
  PictureSize m_size{};
  std::optional<GapBridging> m_gaps;
  SourceRelease m_release;
};

} // namespace

int64_t sweepProgressValue(int64_t rowsDone, int sources, int64_t height) {
  const int64_t image = rowsDone / height + 1;
  const int64_t y = rowsDone % height;
  const double value =
      static_cast<double>((image - 1) * height) / sources + static_cast<double>(y) / sources;
  return static_cast<int64_t>(roundHalfEven(value));
}

Bitmap runSweepPass(const PassContext &context, SweepRule &rule) {
  return SweepPass(context, rule).run();
}

} // namespace lumicomb
