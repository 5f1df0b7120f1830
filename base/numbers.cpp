#include "base/numbers.h"

#include "base/errors.h"

#include <cmath>

namespace lumicomb {

double roundHalfEven(double value) {
  const double nearest = std::round(value); // halves away from zero
  if (std::fabs(value - std::trunc(value)) == 0.5)
    return 2.0 * std::round(value / 2.0);
  return nearest;
}

int64_t checkedRange(int64_t value, int64_t low, int64_t high, const std::string &what) {
  if (value < low || value > high)
    throw LumicombError(ErrorKind::OutOfRange, what + " " + std::to_string(value) + " is outside " +
                                                   std::to_string(low) + "-" +
                                                   std::to_string(high));
  return value;
}

uint8_t clampByte(int64_t value) {
  checkedRange(value, 0, INT64_MAX, "channel value");
  return value < 255 ? static_cast<uint8_t>(value) : uint8_t{255};
}

std::vector<uint8_t> quotientTable(int64_t largestTotal, int64_t divisor) {
  std::vector<uint8_t> table(static_cast<size_t>(largestTotal) + 1);
  for (int64_t total = 0; total <= largestTotal; ++total) {
    const double quotient = static_cast<double>(total) / static_cast<double>(divisor);
    table[static_cast<size_t>(total)] = clampByte(static_cast<int64_t>(roundHalfEven(quotient)));
  }
  return table;
}

int64_t minOf(int64_t a, int64_t b) { return a > b ? b : a; }

} // namespace lumicomb
