#include "passes/frame_pass.h"

#include "base/errors.h"
#include "base/parallel_for.h"
#include "imaging/sample_rows.h"
#include "passes/alignment_plan.h"
#include "passes/pass_sources.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <vector>

namespace lumicomb {
namespace {

/// The merge takes the picture in this many bands, each guarded on its own, so that frames in
/// work at once merge side by side.
constexpr int kMostParts = 64;

/// Counts the source rows a sweep reads (and the last one the result rows written) on the
/// progress indicator, one call at a time, and yields at every one.
class FrameProgress {
public:
  explicit FrameProgress(RunObserver &observer) : m_observer(observer) {}

  /// A sweep is a phase of its own: "measuring" what the next one takes, or "blending".
  void startSweep(bool last, int frames, int64_t rows) {
    std::lock_guard lock(m_mutex);
    m_observer.setPhase({last ? "blending" : "measuring", frames});
    m_observer.setProgressMaximum(static_cast<double>(rows));
    m_done = 0;
    m_observer.setProgressValue(0);
  }
  void advance(int64_t rows = 1) {
    std::lock_guard lock(m_mutex);
    m_done += rows;
    m_observer.setProgressValue(m_done);
    m_observer.yield();
  }

private:
  RunObserver &m_observer;
  std::mutex m_mutex;
  int64_t m_done = 0;
};

/// A loaded source's rows at the run's depth, each read counted.
class SourceReader : public FrameReader {
public:
  SourceReader(const FIBITMAP *source, SampleDepth depth, FrameProgress &progress)
      : m_source(source), m_depth(depth), m_progress(progress) {}

  const uint8_t *row(int64_t y) override {
    m_progress.advance();
    return rowAtDepth(m_source, y, m_depth, m_widened);
  }

private:
  const FIBITMAP *m_source;
  SampleDepth m_depth;
  FrameProgress &m_progress;
  std::vector<uint16_t> m_widened;
};

/// Frames' work, kept for the next frame once one is merged, the next sweep's too: one per
/// thread at most.
class WorkPool {
public:
  explicit WorkPool(const FrameRule &rule) : m_rule(rule) {}

  std::unique_ptr<FrameWork> take() {
    {
      std::lock_guard lock(m_mutex);
      if (!m_free.empty()) {
        std::unique_ptr<FrameWork> work = std::move(m_free.back());
        m_free.pop_back();
        return work;
      }
    }
    return m_rule.makeWork();
  }
  void giveBack(std::unique_ptr<FrameWork> work) {
    std::lock_guard lock(m_mutex);
    m_free.push_back(std::move(work));
  }

private:
  const FrameRule &m_rule;
  std::mutex m_mutex;
  std::vector<std::unique_ptr<FrameWork>> m_free;
};

class FramePass {
public:
  FramePass(const PassContext &context, FrameRule &rule)
      : m_context(context), m_rule(rule), m_sources(context.set.sourceCount()),
        m_progress(context.observer), m_release(context.set) {}

  Bitmap run() {
    plan();
    m_rule.begin(m_sources, m_size.width, m_size.height);
    m_pool.emplace(m_rule);
    for (int sweep = 0; sweep < m_rule.sweeps(); ++sweep) {
      runSweep(sweep);
      m_rule.endSweep(sweep);
    }
    m_pool.reset(); // the result takes its place
    Bitmap result = allocateRgb(m_size.width, m_size.height, m_context.depth);
    parallelFor(
        m_size.height,
        [&](int64_t y) {
          m_rule.writeRow(y, scanLine(result.get(), y));
          m_progress.advance();
        },
        m_context.threads);
    if (m_context.map)
      *m_context.map = chosenFrameMap();
    return result;
  }

private:
  /// The 1-based frame the rule took at each position of the result.
  Bitmap chosenFrameMap() const {
    Bitmap map = allocateGrey16(m_size.width, m_size.height);
    parallelFor(
        m_size.height,
        [&](int64_t y) {
          m_rule.chosenFrames(y, reinterpret_cast<uint16_t *>(scanLine(map.get(), y)));
        },
        m_context.threads);
    return map;
  }

  /// What the rule keeps for the whole run, and the map.
  uint64_t sharedBytes(PictureSize result) const {
    return m_rule.sharedBytes(m_sources, result.width, result.height) +
           (m_context.map ? grey16Bytes(result.width, result.height) : 0);
  }

  /// What the rule keeps and one frame in work must fit beside a decode; as many frames are
  /// worked on at once as fit.
  void plan() {
    m_decoding = planDecoding(
        m_context,
        [&](PictureSize result) {
          return sharedBytes(result) + m_rule.workBytes(result.width, result.height);
        },
        0);
    m_size = m_decoding.result;
    const uint64_t shared = sharedBytes(m_size);
    const uint64_t work = m_rule.workBytes(m_size.width, m_size.height);
    if (shared + work > m_context.memoryBudget)
      throw LumicombError(ErrorKind::OutOfRange,
                          "blending pictures of " + std::to_string(m_size.width) + "x" +
                              std::to_string(m_size.height) + " pixels this way needs " +
                              byteSizeText(shared + work) + "; the memory budget is " +
                              byteSizeText(m_context.memoryBudget));
    const uint64_t perFrame = m_decoding.first.decodeBytes + work;
    const uint64_t fit = (m_context.memoryBudget - shared) / std::max<uint64_t>(perFrame, 1);
    m_decoding.threads =
        static_cast<int>(std::clamp<uint64_t>(fit, 1, static_cast<uint64_t>(m_decoding.threads)));
    prepareDecodingMemory(m_decoding, 0);
  }

  void runSweep(int sweep) {
    std::vector<int> frames;
    for (int i = 1; i <= m_sources; ++i)
      if (m_rule.wantsFrame(sweep, i))
        frames.push_back(i);
    // The last sweep counts the result's rows too.
    const bool last = sweep + 1 == m_rule.sweeps();
    const auto count = static_cast<int64_t>(frames.size());
    m_progress.startSweep(last, static_cast<int>(count), (count + (last ? 1 : 0)) * m_size.height);
    // Frames start in ascending order and a failure stops only those not yet started, so the
    // failure reported is the lowest-numbered frame's, whatever the thread count.
    parallelFor(
        static_cast<int64_t>(frames.size()),
        [&](int64_t k) { takeFrame(sweep, frames[static_cast<size_t>(k)], *m_pool); },
        m_decoding.threads);
  }

  void takeFrame(int sweep, int i, WorkPool &pool) {
    loadSource(m_context, m_decoding, i);
    requireSameSize(m_context, i, m_decoding.photograph, m_decoding.result);
    std::unique_ptr<FrameWork> work = pool.take();
    {
      SourceReader rows(loadedSource(m_context, i), m_context.depth, m_progress);
      m_rule.read(sweep, rows, gainOf(i), *work);
    }
    releaseSource(m_context, i);
    m_rule.prepare(sweep, *work);
    const int parts = static_cast<int>(std::clamp<int64_t>(m_size.height, 1, kMostParts));
    const int first =
        static_cast<int>(static_cast<int64_t>(i) * parts / std::max(m_decoding.threads, 1) % parts);
    for (int p = 0; p < parts; ++p) {
      const int part = (first + p) % parts;
      std::lock_guard lock(m_partLocks[part]);
      m_rule.merge(sweep, i, *work, part, parts);
    }
    pool.giveBack(std::move(work));
  }

  /// In an aligned run, what evens out source i's exposure with image 1's.
  double gainOf(int i) const {
    const AlignmentPlan *alignment = m_context.alignment;
    return alignment && !alignment->gains.empty() ? alignment->gains[static_cast<size_t>(i - 1)]
                                                  : 1.0;
  }

  const PassContext &m_context;
  FrameRule &m_rule;
  int m_sources;
  FrameProgress m_progress;
  DecodingPlan m_decoding;
  PictureSize m_size{};
  std::mutex m_partLocks[kMostParts];
  std::optional<WorkPool> m_pool;
  SourceRelease m_release;
};

} // namespace

Bitmap runFramePass(const PassContext &context, FrameRule &rule) {
  return FramePass(context, rule).run();
}

} // namespace lumicomb
