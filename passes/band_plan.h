#pragma once
// How the band pass splits a picture so that all sources' samples of a band fit a memory budget.
#include <cstdint>

namespace lumicomb {

struct BandPlanInput {
  int sources = 0;
  int64_t height = 0;
  int64_t rowBytes = 0;    ///< samples of one row of one source
  int64_t sourceBytes = 0; ///< one decoded source bitmap (also the size of the result)
  int decodingThreads = 1;
  uint64_t budget = 0;             ///< bytes the pass may hold at once
  bool sourcesAlreadyHeld = false; ///< previews stay in memory whatever the plan
};

struct BandPlan {
  /// The decoded sources are kept and read in place: every source is decoded once.
  bool holdWholeSources = false;
  int64_t rowsPerBand = 0;
  int64_t bands = 0;
  /// From one source's rows in the band to the next one's: a band's rows of a source, rounded up
  /// to a whole page and then one cache line more, so that many sources' rows at one position
  /// fall into different cache sets rather than all into the same few. 0 when sources are held.
  int64_t slotBytes = 0;
};

/// Holding every decoded source is cheapest, so it is chosen whenever they fit beside the result.
/// Otherwise the rows of a band are copied out of each source, and the band is as tall as the
/// budget allows after the result, one source in decoding per thread and the slots' padding (the
/// later bands' rows wait on disk, see BandSpill). At least one row per band, so a budget too
/// small to keep to still finishes.
BandPlan planBands(const BandPlanInput &input);

} // namespace lumicomb
