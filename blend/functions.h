#pragma once
// Number helpers that all blend arithmetic goes through.
#include <cstdint>
#include <string>

namespace lumicomb {

/// Rounds to the nearest whole number; an exact half goes to the even neighbour (2.5 -> 2).
double roundHalfEven(double value);

/// Narrows a whole number to [low, high], or fails with an out-of-range error naming `what`.
int64_t checkedRange(int64_t value, int64_t low, int64_t high, const std::string &what);

/// The value itself when it is below 255, else 255. Negative values fail: no pass hands one.
uint8_t ClampByte(int64_t value);

/// The smaller of two numbers.
int64_t MinOf(int64_t a, int64_t b);

} // namespace lumicomb
