#include "passes/band_pass.h"

#include "base/errors.h"
#include "base/large_buffer.h"
#include "base/numbers.h"
#include "base/parallel_for.h"
#include "passes/band_plan.h"
#include "passes/band_spill.h"
#include "passes/pass_sources.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

namespace lumicomb {
namespace {

/// Within a band of n rows at offset O the value climbs from O to O + n/2 while the sources are
/// gathered (n/2N per source) and on to O + n while the band is reduced (1/2 per row), so over
/// the pass it rises from 0 to the height and never beyond. Calls are serialised, and each one
/// yields, so a cancel lands within one source or one row.
class BandProgress {
public:
  BandProgress(RunObserver &observer, int sources) : m_observer(observer), m_sources(sources) {}

  void setHeight(int64_t height) { m_observer.setProgressMaximum(static_cast<double>(height)); }

  void startBand(int64_t offset, int64_t rows) {
    std::lock_guard lock(m_mutex);
    m_offset = offset;
    m_rows = rows;
    m_sourcesGathered = 0;
    m_rowsReduced = 0;
  }

  void sourceGathered() {
    std::lock_guard lock(m_mutex);
    ++m_sourcesGathered;
    report();
  }

  void rowReduced() {
    std::lock_guard lock(m_mutex);
    ++m_rowsReduced;
    report();
  }

private:
  void report() {
    const double halfSteps =
        static_cast<double>(m_sourcesGathered * m_rows + m_sources * m_rowsReduced);
    const double value = static_cast<double>(m_offset) + halfSteps / (2.0 * m_sources);
    m_observer.setProgressValue(static_cast<int64_t>(roundHalfEven(value)));
    m_observer.yield();
  }

  RunObserver &m_observer;
  std::mutex m_mutex;
  int64_t m_sources;
  int64_t m_offset = 0;
  int64_t m_rows = 0;
  int64_t m_sourcesGathered = 0;
  int64_t m_rowsReduced = 0;
};

class BandPass {
public:
  BandPass(const PassContext &context, BandRule &rule)
      : m_context(context), m_rule(rule), m_sources(context.set.sourceCount()),
        m_progress(context.observer, m_sources), m_release(context.set) {}

  Bitmap run() {
    m_decoding = planDecoding(
        m_context, [](PictureSize result) { return rgb24Bytes(result.width, result.height); }, 0);
    // Image 1 fixes the size and so the plan; the other sources decode meanwhile and wait for
    // it, holding no more than one decoded picture per thread, as the plan assumes.
    gatherBand([&](const FIBITMAP *first) { setUp(first); });
    reduceBand();
    for (int64_t band = 1; band < m_plan.bands; ++band) {
      startBand(band * m_plan.rowsPerBand);
      if (m_spill && m_spill->readBand(band, m_band.data()))
        for (int i = 1; i <= m_sources; ++i)
          m_progress.sourceGathered();
      else
        gatherBand([&](const FIBITMAP *first) { requireUnchangedSize(first); });
      reduceBand();
    }
    return std::move(m_result);
  }

private:
  void gatherBand(const std::function<void(const FIBITMAP *)> &setUp) {
    gatherSources(m_context, m_decoding, setUp,
                  [&](int i, const FIBITMAP *source) { gatherRows(i, source); });
  }

  void setUp(const FIBITMAP *first) {
    m_size = sizeOf(first);
    m_rowBytes = 3 * m_size.width;
    m_result = allocateRgb24(m_size.width, m_size.height);
    m_plan = planBands(
        {m_sources, m_size.height, m_rowBytes,
         static_cast<int64_t>(FreeImage_GetPitch(const_cast<FIBITMAP *>(first))) * m_size.height,
         m_decoding.threads, m_context.memoryBudget, m_context.usesPreviews()});
    if (!m_plan.holdWholeSources)
      m_band = LargeBuffer(static_cast<size_t>(m_sources * m_plan.rowsPerBand * m_rowBytes));
    if (m_plan.bands > 1)
      m_spill.emplace(m_sources, m_plan.rowsPerBand, m_rowBytes, m_size.height);
    m_rule.begin(m_sources);
    m_progress.setHeight(m_size.height);
    startBand(0);
  }

  /// Image 1 is decoded again for every band; the file may have been replaced meanwhile.
  void requireUnchangedSize(const FIBITMAP *first) const {
    const PictureSize size = sizeOf(first);
    if (size.width != m_size.width || size.height != m_size.height)
      throw LumicombError(ErrorKind::SizeMismatch,
                          quoted(m_context.set.imagePath(1)) + " changed size during the blend");
  }

  void startBand(int64_t offset) {
    m_offset = offset;
    m_rows = minOf(m_plan.rowsPerBand, m_size.height - offset);
    m_progress.startBand(m_offset, m_rows);
  }

  /// Held sources are read in place when the band is reduced; otherwise the band's rows are
  /// copied out, the first time round the later bands' rows are spilled, and the source is let
  /// go at once.
  void gatherRows(int i, const FIBITMAP *source) {
    if (!m_plan.holdWholeSources) {
      for (int64_t j = 0; j < m_rows; ++j)
        std::memcpy(bandRow(i, j), scanLine(source, m_offset + j), static_cast<size_t>(m_rowBytes));
      if (m_offset == 0 && m_spill)
        m_spill->keepLaterBands(i, source);
      m_context.set.entry(i).fullSize.reset();
    }
    m_progress.sourceGathered();
  }

  uint8_t *bandRow(int i, int64_t j) const {
    return m_band.data() + ((i - 1) * m_plan.rowsPerBand + j) * m_rowBytes;
  }

  void reduceBand() {
    parallelFor(
        m_rows,
        [&](int64_t j) {
          std::vector<const uint8_t *> rows(static_cast<size_t>(m_sources));
          for (int i = 1; i <= m_sources; ++i)
            rows[static_cast<size_t>(i - 1)] =
                m_plan.holdWholeSources ? scanLine(loadedSource(m_context, i), m_offset + j)
                                        : bandRow(i, j);
          m_rule.reduceRow(rows.data(), m_rowBytes, scanLine(m_result.get(), m_offset + j));
          m_progress.rowReduced();
        },
        m_context.threads);
  }

  const PassContext &m_context;
  BandRule &m_rule;
  int m_sources;
  BandProgress m_progress;
  DecodingPlan m_decoding;
  PictureSize m_size{};
  int64_t m_rowBytes = 0;
  BandPlan m_plan;
  LargeBuffer m_band;
  std::optional<BandSpill> m_spill;
  int64_t m_offset = 0;
  int64_t m_rows = 0;
  Bitmap m_result;
  SourceRelease m_release;
};

} // namespace

Bitmap runBandPass(const PassContext &context, BandRule &rule) {
  return BandPass(context, rule).run();
}

} // namespace lumicomb
