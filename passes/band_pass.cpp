#include "passes/band_pass.h"

#include "base/errors.h"
#include "base/large_buffer.h"
#include "base/numbers.h"
#include "base/parallel_for.h"
#include "imaging/sample_rows.h"
#include "passes/band_plan.h"
#include "passes/band_spill.h"
#include "passes/source_gathering.h"

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
  BandProgress(RunObserver &observer, int sources) : m_observer(observer), m_sources(sources) {
    observer.setPhase({"blending", sources});
  }

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
        m_context,
        [this](PictureSize result) {
          return m_context.pictureBytes(result.width, result.height) + mapBytes(result);
        },
        0);
    // Image 1's header fixes the size and so the plan; every source is gathered as soon as it
    // is decoded, holding no more than one decoded picture per thread, as the plan assumes.
    setUp(m_decoding.result);
    gatherBand();
    reduceBand();
    for (int64_t band = 1; band < m_plan.bands; ++band) {
      startBand(band * m_plan.rowsPerBand);
      if (m_spill && m_spill->readBand(band, m_band.data(), m_plan.slotBytes, m_context.threads))
        for (int i = 1; i <= m_sources; ++i)
          m_progress.sourceGathered();
      else
        gatherBand();
      reduceBand();
    }
    return std::move(m_result);
  }

private:
  /// The sources are decoded again for every band when the spill is not usable; their sizes are
  /// checked against the plan each time, since a file may have been replaced meanwhile.
  void gatherBand() {
    gatherSourcesInAnyOrder(m_context, m_decoding,
                            [&](int i, const FIBITMAP *source) { gatherRows(i, source); });
  }

  uint64_t mapBytes(PictureSize result) const {
    return m_context.map ? grey16Bytes(result.width, result.height) : 0;
  }

  void setUp(PictureSize size) {
    m_size = size;
    m_rowSamples = 3 * m_size.width;
    m_rowBytes = m_rowSamples * bytesPerSample(m_context.depth);
    const uint64_t pictureBytes = m_context.pictureBytes(m_size.width, m_size.height);
    const uint64_t budget =
        m_context.memoryBudget - std::min(m_context.memoryBudget, mapBytes(size));
    m_plan = planBands({m_sources, m_size.height, m_rowBytes, static_cast<int64_t>(pictureBytes),
                        m_decoding.threads, budget, m_context.usesPreviews()});
    const uint64_t heldSources = m_plan.holdWholeSources ? m_sources : 0;
    prepareDecodingMemory(m_decoding, (1 + heldSources) * pictureBytes + mapBytes(size));
    m_result = allocateRgb(m_size.width, m_size.height, m_context.depth);
    if (m_context.map)
      *m_context.map = allocateGrey16(m_size.width, m_size.height);
    if (!m_plan.holdWholeSources)
      makeBand();
    if (m_plan.bands > 1)
      m_spill.emplace(m_sources, m_plan.rowsPerBand, m_rowBytes, m_size.height, m_context.depth);
    m_rule.begin(m_sources);
    m_progress.setHeight(m_size.height);
    startBand(0);
  }

  /// The band is written in full before it is reduced: faulting it in at once, on every thread,
  /// costs less than a fault per page while the sources are copied in.
  void makeBand() {
    const auto bytes = static_cast<size_t>(m_sources * m_plan.slotBytes);
    m_band = LargeBuffer(bytes, Pages::Small);
    constexpr size_t kPiece = size_t{64} << 20;
    parallelFor(
        static_cast<int64_t>((bytes + kPiece - 1) / kPiece),
        [&](int64_t piece) {
          const size_t offset = static_cast<size_t>(piece) * kPiece;
          m_band.populate(offset, std::min(kPiece, bytes - offset));
        },
        m_context.threads);
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
      std::vector<uint16_t> widened;
      for (int64_t j = 0; j < m_rows; ++j)
        std::memcpy(bandRow(i, j), rowAtDepth(source, m_offset + j, m_context.depth, widened),
                    static_cast<size_t>(m_rowBytes));
      if (m_offset == 0 && m_spill)
        m_spill->keepLaterBands(i, source);
      releaseSource(m_context, i);
    }
    m_progress.sourceGathered();
  }

  /// `widened` holds the row when a held source must be widened to be read.
  const uint8_t *sourceRow(int i, int64_t j, std::vector<uint16_t> &widened) const {
    return m_plan.holdWholeSources
               ? rowAtDepth(loadedSource(m_context, i), m_offset + j, m_context.depth, widened)
               : bandRow(i, j);
  }

  uint8_t *bandRow(int i, int64_t j) const {
    return m_band.data() + (i - 1) * m_plan.slotBytes + j * m_rowBytes;
  }

  void reduceBand() {
    parallelFor(
        m_rows,
        [&](int64_t j) {
          std::vector<const uint8_t *> rows(static_cast<size_t>(m_sources));
          thread_local std::vector<std::vector<uint16_t>> widened;
          widened.resize(static_cast<size_t>(m_sources));
          for (int i = 1; i <= m_sources; ++i)
            rows[static_cast<size_t>(i - 1)] = sourceRow(i, j, widened[static_cast<size_t>(i - 1)]);
          uint8_t *out = scanLine(m_result.get(), m_offset + j);
          if (m_context.map)
            m_rule.reduceRowWithMap(
                rows.data(), m_rowSamples, out,
                reinterpret_cast<uint16_t *>(scanLine(m_context.map->get(), m_offset + j)));
          else
            m_rule.reduceRow(rows.data(), m_rowSamples, out);
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
  int64_t m_rowSamples = 0;
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
