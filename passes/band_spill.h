#pragma once
// The rows of the later bands, set aside in a temporary file while every source is decoded for
// the first band, so that each source is decoded once however many bands the budget needs.
#include "imaging/bitmap.h"

#include <atomic>
#include <cstdint>

namespace lumicomb {

/// The bands lie one after the other in the file, and within band b every source's rows follow
/// the source before: no gaps, so a band comes back in a few long reads, never reading a hole.
/// The file has no name (it is unlinked at once) and goes when the pass ends, also when it
/// fails. When the temporary folder lacks the room or a transfer fails, the spill stops being
/// usable and the pass decodes the sources again for the later bands instead.
class BandSpill {
public:
  /// Rows of `rowBytes` bytes of samples of `depth`.
  BandSpill(int sources, int64_t rowsPerBand, int64_t rowBytes, int64_t height,
            SampleDepth depth = SampleDepth::Eight);
  ~BandSpill();
  BandSpill(const BandSpill &) = delete;
  BandSpill &operator=(const BandSpill &) = delete;

  bool usable() const { return m_usable; }
  /// Writes the rows of bands 1, 2, ... of source i (1-based), a 24-bit source at 16 bits
  /// widened a band at a time (within the half of a 48-bit picture its decode leaves unused);
  /// safe to call for several sources at once.
  void keepLaterBands(int i, const FIBITMAP *source);
  /// Reads band b (1 or later) of every source into `band`, source i's rows at (i - 1) *
  /// slotBytes, on up to `threads` threads; false when the spill is not usable.
  bool readBand(int64_t b, uint8_t *band, int64_t slotBytes, int threads);

private:
  int64_t rowsOfBand(int64_t b) const;
  int64_t chunkOffset(int64_t b, int i) const;

  int m_sources;
  int64_t m_rowsPerBand;
  int64_t m_rowBytes;
  int64_t m_height;
  SampleDepth m_depth;
  int m_fd = -1;
  std::atomic<bool> m_usable{false};
};

} // namespace lumicomb
