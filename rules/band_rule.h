#pragma once
// A blend rule that needs every source's sample of a position at once. The band pass hands it
// one row of every source and it writes that row of the result. Rules are pure: no files,
// windows, threads or progress. Rows hold samples of the depth the rule was made for, as a sweep
// rule's do (see sweep_rule.h).
#include <cstdint>

namespace lumicomb {

class BandRule {
public:
  virtual ~BandRule() = default;

  /// Called once, before any row, with the number of sources.
  virtual void begin(int sources) = 0;

  /// rows[i] is row y of source i + 1: `samples` samples, three per pixel, the same pixels as
  /// `out`, which receives the result row. Rows may be reduced concurrently.
  virtual void reduceRow(const uint8_t *const *rows, int64_t samples, uint8_t *out) const = 0;

  /// reduceRow, and the row of the rule's map besides: one value per pixel (samples / 3), of the
  /// kind its registry row names. Only a rule with a map is asked for one.
  virtual void reduceRowWithMap(const uint8_t *const *rows, int64_t samples, uint8_t *out,
                                uint16_t *map) const {
    reduceRow(rows, samples, out);
    (void)map;
  }
};

} // namespace lumicomb
