#pragma once
// Number helpers that all blend arithmetic goes through.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace lumicomb {

/// Rounds to the nearest whole number; an exact half goes to the even neighbour (2.5 -> 2).
double roundHalfEven(double value);

/// total / divisor rounded half to even, in whole numbers. It equals roundHalfEven of the
/// double-precision quotient: a quotient of whole numbers this small is a half only when it is
/// exactly one.
inline uint32_t divideHalfEven(uint32_t total, uint32_t divisor) {
  const uint32_t quotient = total / divisor;
  const uint32_t twiceRemainder = 2 * (total - quotient * divisor);
  const bool up = twiceRemainder > divisor || (twiceRemainder == divisor && (quotient & 1) != 0);
  return quotient + (up ? 1 : 0);
}

/// roundHalfEven for 0 <= value < 2^51, written so that a loop of it becomes vector code: adding
/// 2^52 leaves no fraction bits, so the addition itself rounds, to nearest with halves to even
/// (without -ffast-math the compiler keeps both steps).
inline double roundHalfEvenSmall(double value) {
  constexpr double kNoFraction = 4503599627370496.0; // 2^52
  return (value + kNoFraction) - kNoFraction;
}

/// A floating-point result as a sample: rounded to the nearest whole number with halves to the
/// even neighbour (the processor's default rounding, one instruction) and held to [0, high];
/// NaN gives 0.
inline int32_t roundedSample(float value, float high) {
  if (!(value > 0))
    return 0;
  if (value >= high)
    return static_cast<int32_t>(high);
  return static_cast<int32_t>(std::lrint(value));
}

/// Narrows a whole number to [low, high], or fails with an out-of-range error naming `what`.
int64_t checkedRange(int64_t value, int64_t low, int64_t high, const std::string &what);

/// The value itself when it is below 255, else 255. Negative values fail: no pass hands one.
uint8_t clampByte(int64_t value);

/// Every quotient total / divisor for totals 0 to largestTotal, each the double-precision
/// division rounded half to even and clamped to 255, so a sweep over the pixels is a look-up.
std::vector<uint8_t> quotientTable(int64_t largestTotal, int64_t divisor);

/// The smaller of two numbers.
int64_t minOf(int64_t a, int64_t b);

} // namespace lumicomb
