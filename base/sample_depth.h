#pragma once
// How many bits a blend keeps of every channel: 8, as most photographs store them, or 16, so
// that what an average or a median gains over any one frame is kept.
#include <cstdint>

namespace lumicomb {

enum class SampleDepth { Eight, Sixteen };

inline int bytesPerSample(SampleDepth depth) { return depth == SampleDepth::Sixteen ? 2 : 1; }

/// A 16-bit sample's 8-bit equivalent, round(v / 257) with halves to the even neighbour (a
/// quotient of whole numbers by an odd divisor is never a half, so plain rounding is exact).
inline uint8_t eightBitEquivalent(uint16_t value) {
  return static_cast<uint8_t>((static_cast<uint32_t>(value) + 128) / 257);
}

} // namespace lumicomb
