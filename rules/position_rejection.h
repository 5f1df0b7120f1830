#pragma once
// One position's samples rejected and averaged the way the rejecting means define it, exactly;
// the rules hand it the positions their quick test cannot settle.
#include "rules/rejection_arithmetic.h"

#include <cstdint>

namespace lumicomb::rejection {

struct PositionResult {
  uint32_t mean = 0; ///< of the kept samples, rounded half to even
  int rejected = 0;
};

/// Per round, with the kept samples (all of them at first): the centre is their median (the mean
/// of the two middle values for an even count) and sigma their sample standard deviation, made
/// robust first by winsorizing for Method::Winsorized. A sample is rejected when it lies more
/// than kappa low sigma below the centre or kappa high sigma above it, but only while the count
/// the round began with, less every rejection so far (this round's and the earlier rounds'),
/// leaves more than four. Rounds go on while one rejects something and more than three samples
/// are kept.
///
/// Where that limit stops a round partway, which samples go depends on the order they are tested
/// in: the order in which finding the median leaves them, as Siril 1.0.6 does it (sorted below 9
/// samples; otherwise as a quickselect with the middle element as pivot, partitioning in place,
/// leaves them), which inTestingOrder follows. Otherwise the order does not matter, and the rounds
/// are worked on the sorted samples, which is quicker.
class PositionRejection {
public:
  /// `top` is the largest sample: 255 or 65535.
  PositionRejection(Method method, Kappas kappas, int top)
      : m_method(method), m_low(static_cast<float>(kappas.low)),
        m_high(static_cast<float>(kappas.high)), m_top(top) {}

  /// `samples` holds the position's n samples in source order; `work` room for n more. Where the
  /// caller has worked out the first round's sigma already, it passes it as `firstSigma`.
  PositionResult operator()(const uint16_t *samples, int n, uint16_t *work,
                            const float *firstSigma = nullptr) const;

  /// The same, every round testing the samples in the order Siril leaves them.
  PositionResult inTestingOrder(const uint16_t *samples, int n, uint16_t *work) const;

private:
  /// Sigma for the round: the deviation of the kept samples, winsorized if the method says so.
  float roundSigma(const uint16_t *kept, int count, float centre, uint64_t total,
                   uint64_t squares) const;
  float winsorized(const uint16_t *kept, int count, float centre, float sigma) const;
  bool rejectsBelow(float centre, uint16_t sample, float sigma) const {
    return centre - static_cast<float>(sample) > m_low * sigma;
  }
  bool rejectsAbove(float centre, uint16_t sample, float sigma) const {
    return static_cast<float>(sample) - centre > m_high * sigma;
  }

  Method m_method;
  float m_low, m_high;
  int m_top;
};

/// n * squares - total^2 (n - 1 times n times the variance, a whole number), as a float.
inline float deviationNumerator(uint64_t total, uint64_t squares, int n) {
  return static_cast<float>(static_cast<uint64_t>(n) * squares - total * total);
}

/// n (n - 1), which divides the deviation numerator.
inline float pairsOf(int n) {
  return static_cast<float>(static_cast<int64_t>(n) * static_cast<int64_t>(n - 1));
}

} // namespace lumicomb::rejection
