#pragma once
// Positions of the rejecting means worked side by side, one per vector lane: how their samples
// are loaded and summed. Sums of samples and of their squares, and the deviation numerator
// n * squares - total^2, must be exact. At 8 bits from up to 181 sources, 8 positions in 32-bit
// lanes hold them all; otherwise 4 positions in doubles, exact for the stacks they are used on.
// Sigma and what follows from it are floats (see rejection_arithmetic.h). Always inlined into the
// rules' row loops, which are built for the wider vector unit too.
#include "rules/rejection_arithmetic.h"

#include <cstring>

namespace lumicomb::rejection {

using Doubles = double __attribute__((vector_size(32)));
using DoubleMask = int64_t __attribute__((vector_size(32)));

struct ByteLanes {
  using Sample = uint8_t;
  using Values = Wholes8;
  using ValuesMask = Wholes8;
  using Reals = Floats8;
  static constexpr int kWidth = 8;
  static constexpr int kMostSources = 181;

  [[gnu::always_inline]] static Values load(const uint8_t *at) {
    // Bytes to words to 32-bit lanes: GCC widens each step with one instruction per half, where
    // bytes straight to 32 bits become a dozen scalar steps.
    using Group = uint8_t __attribute__((vector_size(8)));
    using Words = uint16_t __attribute__((vector_size(16)));
    Group group;
    std::memcpy(&group, at, sizeof group);
    return __builtin_convertvector(__builtin_convertvector(group, Words), Values);
  }
  [[gnu::always_inline]] static Reals numerator(Values total, Values squares, Values count) {
    return __builtin_convertvector(count * squares - total * total, Reals);
  }
  [[gnu::always_inline]] static Reals reals(Values values) {
    return __builtin_convertvector(values, Reals);
  }
  [[gnu::always_inline]] static Values values(Wholes8 wholes) { return wholes; }
  [[gnu::always_inline]] static Wholes8 mask(Wholes8 mask) { return mask; }
  [[gnu::always_inline]] static ValuesMask valuesMask(Wholes8 mask) { return mask; }
  /// total / count rounded half to even: the float estimate of the quotient is off by at most
  /// one, which the remainder corrects before it rounds.
  [[gnu::always_inline]] static void storeMeans(Values total, int32_t count, float reciprocal,
                                                uint8_t *out) {
    Wholes8 quotient =
        __builtin_convertvector(__builtin_convertvector(total, Reals) * reciprocal, Wholes8);
    Wholes8 remainder = total - quotient * count;
    // A comparison's lanes are -1 where it holds.
    quotient = quotient - (remainder >= count) + (remainder < 0);
    remainder = total - quotient * count;
    const Wholes8 twice = 2 * remainder;
    quotient -= (twice > count) | ((twice == count) & ((quotient & 1) != 0));
    using Out = uint8_t __attribute__((vector_size(8)));
    const Out means = __builtin_convertvector(quotient, Out);
    std::memcpy(out, &means, sizeof means);
  }
};

/// Four samples of a type, as one vector.
template <typename Sample> struct FourOf;
template <> struct FourOf<uint8_t> { using Type = uint8_t __attribute__((vector_size(4))); };
template <> struct FourOf<uint16_t> { using Type = uint16_t __attribute__((vector_size(8))); };

template <typename SampleType> struct WideLanes {
  using Sample = SampleType;
  using Values = Doubles;
  using ValuesMask = DoubleMask;
  using Reals = Floats4;
  static constexpr int kWidth = 4;

  [[gnu::always_inline]] static Values load(const uint8_t *at) {
    typename FourOf<Sample>::Type group;
    std::memcpy(&group, at, sizeof group);
    return __builtin_convertvector(__builtin_convertvector(group, Wholes4), Doubles);
  }
  [[gnu::always_inline]] static Reals numerator(Values total, Values squares, Values count) {
    return __builtin_convertvector(count * squares - total * total, Reals);
  }
  [[gnu::always_inline]] static Reals reals(Values values) {
    return __builtin_convertvector(values, Reals);
  }
  [[gnu::always_inline]] static Values values(Wholes4 wholes) {
    return __builtin_convertvector(wholes, Doubles);
  }
  template <typename Mask> [[gnu::always_inline]] static Wholes4 mask(Mask mask) {
    return __builtin_convertvector(mask, Wholes4);
  }
  [[gnu::always_inline]] static ValuesMask valuesMask(Wholes4 mask) {
    return __builtin_convertvector(mask, DoubleMask);
  }
  /// total / count rounded half to even, as HalfEvenDivision works it out: the estimate from the
  /// reciprocal is the quotient or, where that is whole, one below, which the remainder rounds up.
  [[gnu::always_inline]] static void storeMeans(Values total, int32_t count, float, Sample *out) {
    const Wholes4 whole = __builtin_convertvector(total * (1.0 / count), Wholes4);
    const Doubles quotient = __builtin_convertvector(whole, Doubles);
    const Doubles twice = 2 * (total - quotient * count);
    const Wholes4 up = mask(
        (twice > count) | ((twice == count) & (__builtin_convertvector(whole & 1, Doubles) != 0)));
    const auto means = __builtin_convertvector(whole - up, typename FourOf<Sample>::Type);
    std::memcpy(out, &means, sizeof means);
  }
};

template <typename Vector> [[gnu::always_inline]] inline Vector smaller(Vector a, Vector b) {
  return a < b ? a : b;
}
template <typename Vector> [[gnu::always_inline]] inline Vector larger(Vector a, Vector b) {
  return a > b ? a : b;
}
template <typename Vector> [[gnu::always_inline]] inline bool anyLane(Vector mask) {
  for (int j = 0; j < static_cast<int>(sizeof mask / sizeof mask[0]); ++j)
    if (mask[j])
      return true;
  return false;
}

/// Vectors kept in plain bytes: a vector type is aligned to 32 bytes only where the processor's
/// wider unit is in use, so memory allocated elsewhere may not be, and they are copied in and out.
template <typename Vector> [[gnu::always_inline]] inline Vector loadAt(const uint8_t *base, int i) {
  Vector vector;
  std::memcpy(&vector, base + static_cast<size_t>(i) * sizeof(Vector), sizeof vector);
  return vector;
}

template <typename Vector>
[[gnu::always_inline]] inline void storeAt(uint8_t *base, int i, const Vector &vector) {
  std::memcpy(base + static_cast<size_t>(i) * sizeof(Vector), &vector, sizeof vector);
}

/// The winsorized sigma of positions side by side, every lane as PositionRejection works one out:
/// a lane stops once its sigma settles or its bounds stop moving. `samples` holds `sources`
/// vectors of samples; `kept` says which of them count, as a lane mask per source (null: all).
template <typename Lanes>
[[gnu::always_inline]] inline typename Lanes::Reals
winsorizeLanes(const uint8_t *samples, int sources, const uint8_t *kept,
               typename Lanes::Values count, typename Lanes::Reals pairs, float top,
               typename Lanes::Reals centre, typename Lanes::Reals sigma,
               Wholes<typename Lanes::Reals> active) {
  using Values = typename Lanes::Values;
  using Reals = typename Lanes::Reals;
  Values low = Values{} + 0, high = Values{} + static_cast<typename Lanes::Sample>(top);
  for (bool first = true;; first = false) {
    const Values lowBound = Lanes::values(roundedBound(centre - kWinsorSpan * sigma, top));
    const Values highBound = Lanes::values(roundedBound(centre + kWinsorSpan * sigma, top));
    const Values nextLow = smaller(larger(low, lowBound), highBound);
    const Values nextHigh = smaller(larger(high, lowBound), highBound);
    if (!first) {
      active &= Lanes::mask((nextLow != low) | (nextHigh != high));
      if (!anyLane(active))
        return sigma;
    }
    low = nextLow;
    high = nextHigh;
    Values total = {}, squares = {};
    for (int i = 0; i < sources; ++i) {
      Values value = smaller(larger(loadAt<Values>(samples, i), low), high);
      if (kept)
        value = loadAt<typename Lanes::ValuesMask>(kept, i) != 0 ? value : Values{};
      total += value;
      squares += value * value;
    }
    const Reals next = winsorizedSpread(Lanes::numerator(total, squares, count), pairs);
    const Wholes<Reals> again = keepsWinsorizing(next, sigma) & active;
    sigma = active != 0 ? next : sigma;
    active = again;
    if (!anyLane(active))
      return sigma;
  }
}

/// 1.134 times the deviation of the samples clamped to bounds worked out from `sigma`: one step
/// of winsorizing from scratch.
template <typename Lanes>
[[gnu::always_inline]] inline typename Lanes::Reals
winsorizedStep(const uint8_t *samples, int sources, typename Lanes::Values count, float pairs,
               float top, typename Lanes::Reals centre, typename Lanes::Reals sigma) {
  using Values = typename Lanes::Values;
  const Values low = Lanes::values(roundedBound(centre - kWinsorSpan * sigma, top));
  const Values high = Lanes::values(roundedBound(centre + kWinsorSpan * sigma, top));
  Values total = {}, squares = {};
  for (int i = 0; i < sources; ++i) {
    const Values value = smaller(larger(loadAt<Values>(samples, i), low), high);
    total += value;
    squares += value * value;
  }
  return winsorizedSpread(Lanes::numerator(total, squares, count), pairs);
}

/// What a group's first winsorized round says without winsorizing to the end.
template <typename Lanes> struct FirstRound {
  typename Lanes::Reals sigma; ///< exact where `known`
  Wholes<typename Lanes::Reals> known;
  Wholes<typename Lanes::Reals> clean; ///< lanes certainly rejecting nothing
};

/// The first winsorized round of a group of positions, as far as it must be taken to tell the
/// lanes that reject nothing. Winsorizing steps sigma by g(s) = 1.134 x the deviation of the
/// samples clamped to bounds from s. A first step up, or within the tolerance, ends it there.
/// After a first step down every step is down, since narrower bounds never widen the deviation,
/// so g never falls below any s it does not lower (g(s) >= s) once sigma is above s: the lanes
/// whose extremes are within kappa s of the centre are then clean, without the exact sigma.
/// Other lanes are left for the exact rounds.
template <typename Lanes>
[[gnu::always_inline]] inline FirstRound<Lanes>
firstWinsorizedRound(const uint8_t *samples, int sources, float pairs, float top, float kappaLow,
                     float kappaHigh, typename Lanes::Reals centre, typename Lanes::Reals sigma,
                     typename Lanes::Reals least, typename Lanes::Reals most) {
  using Reals = typename Lanes::Reals;
  using Mask = Wholes<Reals>;
  const typename Lanes::Values count = typename Lanes::Values{} + sources;
  const auto fits = [&](Reals s) {
    return (centre - least <= kappaLow * s) & (most - centre <= kappaHigh * s);
  };
  const Reals first = winsorizedStep<Lanes>(samples, sources, count, pairs, top, centre, sigma);
  const Mask known = (first >= sigma) | ~keepsWinsorizing(first, sigma);
  const Mask fitsFirst = fits(first);
  const Mask probe = ~known & fitsFirst;
  Mask clean = known & fitsFirst;
  if (anyLane(probe)) {
    const Reals belowNeed = (centre - least) / kappaLow, aboveNeed = (most - centre) / kappaHigh;
    const Reals need = larger(belowNeed, aboveNeed) * (1 + 0x1p-20f);
    const Reals s = smaller(need, first);
    const Reals step = winsorizedStep<Lanes>(samples, sources, count, pairs, top, centre, s);
    clean |= probe & fits(s) & (step >= s);
  }
  return {first, known, clean};
}

} // namespace lumicomb::rejection
