#pragma once
// Division rounded half to even where a table of quotients would be too large (totals of 16-bit
// samples), written so that a loop of it becomes vector code.
#include <cstdint>

namespace lumicomb {

/// total / divisor rounded half to even, exact for totals below 2^31 and divisors of 1-65535. The
/// double-precision estimate is off from the true quotient by far less than 1/divisor, so its
/// whole part is the quotient, or one below it where the quotient is whole; there the remainder
/// comes out as the divisor itself, and rounding it up gives the quotient.
class HalfEvenDivision {
public:
  explicit HalfEvenDivision(uint32_t divisor)
      : m_divisor(static_cast<int32_t>(divisor)), m_reciprocal(1.0 / divisor) {}

  [[gnu::always_inline]] uint32_t operator()(uint32_t total) const {
    const auto whole = static_cast<int32_t>(total);
    const auto quotient = static_cast<int32_t>(static_cast<double>(whole) * m_reciprocal);
    const int32_t twice = 2 * (whole - quotient * m_divisor);
    const bool up = twice > m_divisor || (twice == m_divisor && (quotient & 1) != 0);
    return static_cast<uint32_t>(quotient + (up ? 1 : 0));
  }

private:
  int32_t m_divisor;
  double m_reciprocal;
};

} // namespace lumicomb
