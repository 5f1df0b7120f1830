#pragma once
// Filters over a small window of one channel, rows packed, edges repeated outwards.
#include <cstdint>

namespace lumicomb {

/// out = the sum of `in` over the window x window square around each position (window odd).
/// `in` and `out` may not overlap.
template <typename T>
void windowSum(const T *in, int64_t width, int64_t height, int window, T *out);

/// out = the median of the 3 x 3 square around each position. `in` and `out` may not overlap.
void median3x3(const uint16_t *in, int64_t width, int64_t height, uint16_t *out);

} // namespace lumicomb
