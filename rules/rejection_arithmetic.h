#pragma once
// The arithmetic of the rejecting means, written once for one position (float) and for positions
// side by side (vectors of floats), so that every path through the rules decides alike, to the
// last bit. Sums of samples and of their squares, and n * squares - total^2, are whole numbers
// the caller forms exactly; what follows is in single precision, as Siril works it, each step one
// correctly rounded operation, so a vector lane computes exactly what the scalar code does. The
// rules' sources are built without contracting a multiply and an add into one step, which would
// round differently.
#include <cstdint>

// The 32-byte vectors pass only between functions that are always inlined, so the calling
// convention GCC warns about for them on processors without AVX never comes into play.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace lumicomb::rejection {

enum class Method { SigmaClipping, Winsorized };

/// How many standard deviations below and above the median a sample may lie and be kept.
struct Kappas {
  double low = 4;
  double high = 3;
};

/// Winsorizing clamps a copy of the samples to the median +- 1.5 sigma and takes 1.134 times the
/// copy's deviation as sigma, until it changes by at most 0.0005 of itself.
constexpr float kWinsorSpan = 1.5f;
constexpr float kWinsorGain = 1.134f;
constexpr float kWinsorTolerance = 0.0005f;
/// A sample is rejected only while more than this many would remain (see PositionRejection).
constexpr int kFewestKept = 4;

using Floats8 = float __attribute__((vector_size(32)));
using Wholes8 = int32_t __attribute__((vector_size(32)));
using Floats4 = float __attribute__((vector_size(16)));
using Wholes4 = int32_t __attribute__((vector_size(16)));

/// The whole numbers of the same lanes as a vector of floats.
template <typename Real> struct WholesOf;
template <> struct WholesOf<float> { using Type = int32_t; };
template <> struct WholesOf<Floats8> { using Type = Wholes8; };
template <> struct WholesOf<Floats4> { using Type = Wholes4; };
template <typename Real> using Wholes = typename WholesOf<Real>::Type;

[[gnu::always_inline]] inline float squareRoot(float value) { return __builtin_sqrtf(value); }

template <typename Vector> [[gnu::always_inline]] inline Vector squareRoot(Vector value) {
  Vector root;
  for (int j = 0; j < static_cast<int>(sizeof value / sizeof value[0]); ++j)
    root[j] = __builtin_sqrtf(value[j]);
  return root;
}

template <typename Real> [[gnu::always_inline]] inline Wholes<Real> toWholes(Real value) {
  if constexpr (sizeof(Real) == sizeof(float))
    return static_cast<int32_t>(value);
  else
    return __builtin_convertvector(value, Wholes<Real>);
}

template <typename Real> [[gnu::always_inline]] inline Real fromWholes(Wholes<Real> value) {
  if constexpr (sizeof(Real) == sizeof(float))
    return static_cast<float>(value);
  else
    return __builtin_convertvector(value, Real);
}

/// The sample standard deviation from n * (sum of squares) - sum^2, rounded to a float once, and
/// n (n - 1): sqrt(numerator / pairs).
template <typename Real, typename Pairs>
[[gnu::always_inline]] inline Real spreadOf(Real numerator, Pairs pairs) {
  return squareRoot(numerator / pairs);
}

template <typename Real>
[[gnu::always_inline]] inline Real clamped(Real value, Real low, Real high) {
  value = value < low ? low : value;
  return value > high ? high : value;
}

/// A winsorizing bound on whole sample levels: clamped to 0-top, then rounded, halves up.
template <typename Real>
[[gnu::always_inline]] inline Wholes<Real> roundedBound(Real value, float top) {
  return toWholes(clamped(value, Real{} + 0.0f, Real{} + top) + 0.5f);
}

/// The next winsorized sigma, from the deviation numerator of the clamped copy.
template <typename Real, typename Pairs>
[[gnu::always_inline]] inline Real winsorizedSpread(Real clampedNumerator, Pairs pairs) {
  return kWinsorGain * spreadOf(clampedNumerator, pairs);
}

/// Whether winsorizing goes on after sigma moved from `previous` to `next`.
template <typename Real>
[[gnu::always_inline]] inline auto keepsWinsorizing(Real next, Real previous) {
  const Real change = next - previous;
  const Real size = change < 0 ? -change : change;
  return size > kWinsorTolerance * previous;
}

} // namespace lumicomb::rejection
