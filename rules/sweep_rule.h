#pragma once
// A blend rule seen by the sweep pass: it gathers rows of samples and reduces rows of results.
// Rules are pure: no files, windows, threads or progress. A rule is made for one sample depth:
// its rows hold 8-bit samples, or at 16 bits native 16-bit words, three to a pixel in the
// bitmap's channel order (blue, green, red at 8 bits; red, green, blue at 16), which no rule
// depends on.
#include <cstdint>

namespace lumicomb {

class SweepRule {
public:
  virtual ~SweepRule() = default;

  /// Creates the working arrays for `sources` images of width x height pixels.
  virtual void begin(int sources, int64_t width, int64_t height) = 0;

  /// Bytes of the working arrays begin() creates for the same arguments, so that a pass can
  /// tell before anything is decoded whether it fits the memory budget.
  virtual uint64_t workingBytes(int sources, int64_t width, int64_t height) const = 0;

  /// Whether collect() needs image 1 whole before any other source. A rule that does not is
  /// handed every source as soon as it is decoded.
  virtual bool needsImageOneFirst() const { return false; }

  /// Gathers row y of source `image` (1-based): 3 x width samples.
  /// The sources arrive in any order (image 1 whole first if the rule needs it), and rows of
  /// different y concurrently. The result must not depend on that order.
  virtual void collect(int image, int64_t y, const uint8_t *samples) = 0;

  /// Writes result row y, same layout as the samples; rows may be reduced concurrently.
  virtual void reduce(int64_t y, uint8_t *out) const = 0;

  /// Asks a rule whose registry row names a map to keep it from begin() on (workingBytes then
  /// counts it). Called before begin(), and only on such a rule.
  virtual void keepMap() {}

  /// Writes row y of the map keepMap asked for: one value per pixel, of the kind the registry
  /// row names.
  virtual void reduceMap(int64_t y, uint16_t *out) const {
    (void)y;
    (void)out;
  }
};

} // namespace lumicomb
