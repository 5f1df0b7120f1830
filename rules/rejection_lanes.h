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
    // Each lane's low byte picked by one shuffle: a conversion to bytes becomes a dozen scalar
    // steps.
    using Bytes32 = uint8_t __attribute__((vector_size(32)));
    using Out = uint8_t __attribute__((vector_size(8)));
    Bytes32 bytes;
    std::memcpy(&bytes, &quotient, sizeof bytes);
    const Out means = __builtin_shufflevector(bytes, bytes, 0, 4, 8, 12, 16, 20, 24, 28);
    std::memcpy(out, &means, sizeof means);
  }
};

/// ByteLanes whose samples are widened by shuffles, which the AVX2 unit does in one step and
/// plain x86-64 only sample by sample: for code built for AVX2 alone.
struct ShuffledByteLanes : ByteLanes {
  [[gnu::always_inline]] static Values load(const uint8_t *at) {
    using Bytes = uint8_t __attribute__((vector_size(16)));
    using Words = uint16_t __attribute__((vector_size(16)));
    using WideWords = uint16_t __attribute__((vector_size(32)));
    using Halves = uint64_t __attribute__((vector_size(16)));
    uint64_t eight;
    std::memcpy(&eight, at, sizeof eight);
    const Bytes group = reinterpret_cast<Bytes>(Halves{eight, 0});
    const Bytes bytePairs = __builtin_shufflevector(group, Bytes{}, 0, 16, 1, 16, 2, 16, 3, 16, 4,
                                                    16, 5, 16, 6, 16, 7, 16);
    Words words;
    std::memcpy(&words, &bytePairs, sizeof words);
    const WideWords wordPairs =
        __builtin_shufflevector(words, Words{}, 0, 8, 1, 8, 2, 8, 3, 8, 4, 8, 5, 8, 6, 8, 7, 8);
    Values values;
    std::memcpy(&values, &wordPairs, sizeof values);
    return values;
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
/// Whether any lane of a mask of whole numbers is set: the vector tested as a whole, not lane by
/// lane, which costs a branch a lane.
template <typename Vector> [[gnu::always_inline]] inline bool anyLane(Vector mask) {
  uint64_t words[sizeof mask / sizeof(uint64_t)];
  std::memcpy(words, &mask, sizeof mask);
  uint64_t any = 0;
  for (const uint64_t word : words)
    any |= word;
  return any != 0;
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

/// The lanes of a group whose first winsorized round certainly rejects nothing, told with one
/// step of winsorizing rather than the whole search. Winsorizing from sigma0 steps sigma by g(s) =
/// 1.134 x the deviation of the samples clamped to bounds from s, and g never falls as s grows.
/// A first step up ends the search at g(sigma0); after a first step down every step is down and
/// each is g of the one before. So for any s <= sigma0 with g(s) >= s, every sigma the search
/// passes through is at least s, and a lane whose extremes lie within kappa s of the centre
/// rejects nothing. The s tried is the least that fits the extremes, or sigma0 if that is less.
/// Other lanes are left for the exact rounds.
template <typename Lanes>
[[gnu::always_inline]] inline Wholes<typename Lanes::Reals>
cleanAfterWinsorizing(const uint8_t *samples, int sources, float pairs, float top, float kappaLow,
                      float kappaHigh, typename Lanes::Reals centre, typename Lanes::Reals sigma,
                      typename Lanes::Reals least, typename Lanes::Reals most) {
  using Reals = typename Lanes::Reals;
  const typename Lanes::Values count = typename Lanes::Values{} + sources;
  const Reals belowNeed = (centre - least) / kappaLow, aboveNeed = (most - centre) / kappaHigh;
  const Reals need = larger(belowNeed, aboveNeed) * (1 + 0x1p-20f);
  const Reals s = smaller(need, sigma);
  const Reals step = winsorizedStep<Lanes>(samples, sources, count, pairs, top, centre, s);
  return (centre - least <= kappaLow * s) & (most - centre <= kappaHigh * s) & (step >= s);
}

} // namespace lumicomb::rejection
