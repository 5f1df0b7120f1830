#pragma once
// The pictures alignment works on: one grey channel, and views of a frame's sample rows.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumicomb {

struct GreyPicture {
  int64_t width = 0;
  int64_t height = 0;
  std::vector<uint8_t> samples; ///< width x height, rows packed
};

/// Rows of interleaved samples owned elsewhere: 3 channels (in any order) of 1 or 2 bytes.
struct SampleRows {
  uint8_t *data = nullptr; ///< the first row handed over
  int64_t width = 0;
  int64_t height = 0;
  std::ptrdiff_t stride = 0; ///< bytes from one row to the next
  int bytesPerSample = 1;
};

/// A grey copy of the rows, reduced by area averaging so that neither side exceeds
/// `longSideAtMost` (never enlarged). 16-bit samples are brought to 8 bits.
GreyPicture greyCopy(const SampleRows &rows, int64_t longSideAtMost);

} // namespace lumicomb
