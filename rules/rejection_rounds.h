#pragma once
// The rounds of the rejecting means for positions whose first round rejected something, worked a
// batch of positions side by side, and many batches phase by phase. Each lane's samples are sorted
// by a sorting network; rejection takes the lowest and the highest samples, so what a lane keeps
// stays a run [first, end) of its sorted samples. A lane where the limit on rejections stops a
// round partway depends on the order its samples are tested in, and is left for
// PositionRejection::inTestingOrder. Every step is PositionRejection's arithmetic, lane by lane.
//
// A batch's steps wait on each other: each winsorizing step needs the square root of the one
// before. Worked one batch at a time, the processor would sit idle through every such wait;
// taking each phase across all the batches in hand gives it other batches' work meanwhile.
#include "rules/byte_lines.h"
#include "rules/rejection_lanes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace lumicomb::rejection {

struct RoundsSetup {
  int sources;
  float low, high; ///< the kappas
  float top;
  const std::vector<std::pair<uint16_t, uint16_t>> *network; ///< sorts `sources` values
};

/// What a batch's lanes come to.
template <typename Lanes> struct BatchOutcome {
  uint32_t mean[Lanes::kWidth];
  int rejected[Lanes::kWidth];
  bool inTestingOrder[Lanes::kWidth]; ///< to be settled again, in the order samples are tested
};

/// How many batches settleBatches works at once.
constexpr int kBatchesTogether = 32;

/// A batch's state between its phases, one vector each, after its sorted samples and a copy of
/// them that holds only the round's kept run, zeros elsewhere.
enum BatchField {
  kFirst, ///< the kept run is [first, end) of the sorted samples
  kEnd,
  kRejected,    ///< so far
  kActive,      ///< lanes still in their rounds
  kOrdered,     ///< lanes left for inTestingOrder
  kWinsorizing, ///< lanes whose winsorizing goes on
  kCentre,
  kSigma,
  kLow, ///< the winsorized copy's bounds
  kHigh,
  kFieldCount
};

/// Bytes of the working memory one batch takes for `sources` samples.
inline size_t batchBytes(int sources) {
  return 32 * (2 * static_cast<size_t>(sources) + kFieldCount);
}

/// One batch's vectors in its working memory, each in 32 bytes.
template <typename Lanes> class BatchVectors {
public:
  BatchVectors(uint8_t *memory, int sources)
      : m_sorted(memory), m_kept(memory + 32 * sources), m_fields(memory + 64 * sources) {}

  template <typename Vector> [[gnu::always_inline]] Vector get(int field) const {
    return load<Vector>(m_fields, field);
  }
  template <typename Vector> [[gnu::always_inline]] void set(int field, Vector value) {
    store(m_fields, field, value);
  }
  [[gnu::always_inline]] typename Lanes::Values sorted(int i) const {
    return load<typename Lanes::Values>(m_sorted, i);
  }
  [[gnu::always_inline]] void setSorted(int i, typename Lanes::Values value) {
    store(m_sorted, i, value);
  }
  [[gnu::always_inline]] typename Lanes::Values kept(int i) const {
    return load<typename Lanes::Values>(m_kept, i);
  }
  [[gnu::always_inline]] void setKept(int i, typename Lanes::Values value) {
    store(m_kept, i, value);
  }

private:
  template <typename Vector> [[gnu::always_inline]] static Vector load(const uint8_t *base, int i) {
    Vector vector;
    std::memcpy(&vector, base + 32 * i, sizeof vector);
    return vector;
  }
  template <typename Vector>
  [[gnu::always_inline]] static void store(uint8_t *base, int i, const Vector &vector) {
    std::memcpy(base + 32 * i, &vector, sizeof vector);
  }

  uint8_t *m_sorted, *m_kept, *m_fields;
};

/// Loads and sorts a batch's samples and sets out its first round; sampleOf(i, j) is the sample
/// of source i at lane j's position.
template <typename Lanes, typename SampleOf>
[[gnu::always_inline]] inline void startBatch(const RoundsSetup &setup, BatchVectors<Lanes> batch,
                                              int lanes, const float *centres, const float *sigmas,
                                              SampleOf sampleOf) {
  using Values = typename Lanes::Values;
  using Reals = typename Lanes::Reals;
  using Mask = Wholes<Reals>;
  for (int i = 0; i < setup.sources; ++i) {
    Values value = {};
    for (int j = 0; j < lanes; ++j)
      value[j] = sampleOf(i, j);
    batch.setSorted(i, value);
  }
  for (const auto &[a, b] : *setup.network) {
    const Values first = batch.sorted(a), second = batch.sorted(b);
    batch.setSorted(a, smaller(first, second));
    batch.setSorted(b, larger(first, second));
  }
  Mask active = {};
  Reals centre = {}, sigma = {};
  for (int j = 0; j < lanes; ++j) {
    active[j] = -1;
    centre[j] = centres[j];
    sigma[j] = sigmas[j];
  }
  batch.set(kFirst, Mask{});
  batch.set(kEnd, Mask{} + setup.sources);
  batch.set(kRejected, Mask{});
  batch.set(kActive, active);
  batch.set(kOrdered, Mask{});
  batch.set(kWinsorizing, Mask{});
  batch.set(kCentre, centre);
  batch.set(kSigma, sigma);
}

/// Works out the round's centre and plain sigma for the lanes that need them: in the first round
/// those whose sigma is unknown (negative), in later ones every active lane. Winsorizing then
/// starts from that sigma.
template <Method kMethod, typename Lanes>
[[gnu::always_inline]] inline void startRound(const RoundsSetup &setup, BatchVectors<Lanes> batch,
                                              bool firstRound) {
  using Values = typename Lanes::Values;
  using Reals = typename Lanes::Reals;
  using Mask = Wholes<Reals>;
  const Mask active = batch.template get<Mask>(kActive);
  Reals sigma = batch.template get<Reals>(kSigma);
  const Mask starting = firstRound ? active & (sigma < 0) : active;
  if (!anyLane(starting))
    return;
  const Mask first = batch.template get<Mask>(kFirst), end = batch.template get<Mask>(kEnd);
  const Mask count = end - first, lowerMiddle = first + (count - 1) / 2,
             upperMiddle = first + count / 2;
  Values total = {}, squares = {}, lower = {}, upper = {};
  for (int i = 0; i < setup.sources; ++i) {
    const Values value = batch.sorted(i);
    const auto kept = Lanes::valuesMask((Mask{} + i >= first) & (Mask{} + i < end));
    const Values keptValue = kept != 0 ? value : Values{};
    if constexpr (kMethod == Method::Winsorized)
      batch.setKept(i, keptValue);
    total += keptValue;
    squares += keptValue * keptValue;
    lower = Lanes::valuesMask(Mask{} + i == lowerMiddle) != 0 ? value : lower;
    upper = Lanes::valuesMask(Mask{} + i == upperMiddle) != 0 ? value : upper;
  }
  const Values counts = Lanes::values(count);
  const Reals pairs = Lanes::reals(counts * (counts - 1));
  if (!firstRound)
    batch.set(kCentre, 0.5f * Lanes::reals(lower + upper));
  sigma = starting != 0 ? spreadOf(Lanes::numerator(total, squares, counts), pairs) : sigma;
  batch.set(kSigma, sigma);
  if constexpr (kMethod == Method::Winsorized) {
    batch.set(kWinsorizing, starting);
    // Bounds outside every level: the first step's bounds always differ from them, and clamp
    // as 0 and the top would.
    batch.set(kLow, Values{} - 1);
    batch.set(kHigh, Values{} + (static_cast<typename Lanes::Sample>(setup.top) + 1));
  }
}

/// One step of winsorizing, for the lanes still at it: a lane stops once its sigma settles or its
/// bounds stop moving (see PositionRejection::winsorized). Returns whether any goes on.
template <typename Lanes>
[[gnu::always_inline]] inline bool winsorizingStep(const RoundsSetup &setup,
                                                   BatchVectors<Lanes> batch) {
  using Values = typename Lanes::Values;
  using Reals = typename Lanes::Reals;
  using Mask = Wholes<Reals>;
  Mask active = batch.template get<Mask>(kWinsorizing);
  const Reals centre = batch.template get<Reals>(kCentre);
  Reals sigma = batch.template get<Reals>(kSigma);
  const Values low = batch.template get<Values>(kLow), high = batch.template get<Values>(kHigh);
  const Values lowBound = Lanes::values(roundedBound(centre - kWinsorSpan * sigma, setup.top));
  const Values highBound = Lanes::values(roundedBound(centre + kWinsorSpan * sigma, setup.top));
  const Values nextLow = smaller(larger(low, lowBound), highBound);
  const Values nextHigh = smaller(larger(high, lowBound), highBound);
  active &= Lanes::mask((nextLow != low) | (nextHigh != high));
  if (!anyLane(active)) {
    batch.set(kWinsorizing, active);
    return false;
  }
  batch.set(kLow, nextLow);
  batch.set(kHigh, nextHigh);
  // The samples outside the run are kept as zeros, which clamp to the low bound: taken out again
  // after the sums, rather than masked sample by sample.
  Values total = {}, squares = {};
  for (int i = 0; i < setup.sources; ++i) {
    const Values value = smaller(larger(batch.kept(i), nextLow), nextHigh);
    total += value;
    squares += value * value;
  }
  const Values counts =
      Lanes::values(batch.template get<Mask>(kEnd) - batch.template get<Mask>(kFirst));
  const Values outside = setup.sources - counts;
  total -= outside * nextLow;
  squares -= outside * nextLow * nextLow;
  const Reals pairs = Lanes::reals(counts * (counts - 1));
  const Reals next = winsorizedSpread(Lanes::numerator(total, squares, counts), pairs);
  const Mask again = keepsWinsorizing(next, sigma) & active;
  batch.set(kSigma, active != 0 ? next : sigma);
  batch.set(kWinsorizing, again);
  return anyLane(again);
}

/// Tests the round's kept samples against the centre and sigma, and takes out what it rejects.
template <typename Lanes>
[[gnu::always_inline]] inline void rejectRound(const RoundsSetup &setup,
                                               BatchVectors<Lanes> batch) {
  using Reals = typename Lanes::Reals;
  using Mask = Wholes<Reals>;
  const Mask active = batch.template get<Mask>(kActive);
  const Reals centre = batch.template get<Reals>(kCentre);
  const Reals sigma = batch.template get<Reals>(kSigma);
  Mask first = batch.template get<Mask>(kFirst), end = batch.template get<Mask>(kEnd);
  Mask rejected = batch.template get<Mask>(kRejected);
  Mask below = {}, above = {};
  for (int i = 0; i < setup.sources; ++i) {
    const Reals value = Lanes::reals(batch.sorted(i));
    const Mask inRun = (Mask{} + i >= first) & (Mask{} + i < end);
    below -= inRun & (centre - value > setup.low * sigma);
    above -= inRun & (value - centre > setup.high * sigma);
  }
  const Mask count = end - first;
  const Mask found = below + above;
  const Mask room = count - rejected - kFewestKept;
  const Mask settled = (found == 0) | (room <= 0);
  const Mask partway = ~settled & (found > room);
  const Mask step = active & ~settled & ~partway;
  first += step & below;
  end -= step & above;
  rejected += step & found;
  batch.set(kOrdered, batch.template get<Mask>(kOrdered) | (active & partway));
  batch.set(kFirst, first);
  batch.set(kEnd, end);
  batch.set(kRejected, rejected);
  batch.set(kActive, step & (end - first > 3));
}

/// The mean of each lane's kept run, rounded half to even, and what was rejected.
template <typename Lanes>
[[gnu::always_inline]] inline void finishBatch(const RoundsSetup &setup, BatchVectors<Lanes> batch,
                                               int lanes, BatchOutcome<Lanes> &outcome) {
  using Values = typename Lanes::Values;
  using Mask = Wholes<typename Lanes::Reals>;
  const Mask first = batch.template get<Mask>(kFirst), end = batch.template get<Mask>(kEnd);
  const Mask ordered = batch.template get<Mask>(kOrdered);
  Values sum = {};
  for (int i = 0; i < setup.sources; ++i)
    sum += Lanes::valuesMask((Mask{} + i >= first) & (Mask{} + i < end)) != 0 ? batch.sorted(i)
                                                                              : Values{};
  for (int j = 0; j < lanes; ++j) {
    const auto kept = static_cast<uint32_t>(end[j] - first[j]);
    const auto total = static_cast<uint32_t>(sum[j]);
    const uint32_t quotient = total / kept;
    const uint32_t twice = 2 * (total - quotient * kept);
    outcome.mean[j] = quotient + (twice > kept || (twice == kept && (quotient & 1)));
    outcome.rejected[j] = setup.sources - static_cast<int>(kept);
    outcome.inTestingOrder[j] = ordered[j] != 0;
  }
}

/// Settles `positions` positions (at most kBatchesTogether batches' worth), whose first round's
/// centre and sigma are given (a negative sigma: not known yet), into outcomes[p / width]; sampleOf
/// (i, p) is the sample of source i at position p. `memory` holds kBatchesTogether batchBytes.
template <Method kMethod, typename Lanes, typename SampleOf>
[[gnu::always_inline]] inline void
settleBatches(const RoundsSetup &setup, int positions, const float *centres, const float *sigmas,
              SampleOf sampleOf, uint8_t *memory, BatchOutcome<Lanes> *outcomes) {
  constexpr int kWidth = Lanes::kWidth;
  using Mask = Wholes<typename Lanes::Reals>;
  const int batches = (positions + kWidth - 1) / kWidth;
  const auto batchAt = [&](int b) {
    return BatchVectors<Lanes>(memory + b * batchBytes(setup.sources), setup.sources);
  };
  const auto lanesOf = [&](int b) { return std::min(kWidth, positions - b * kWidth); };
  for (int b = 0; b < batches; ++b) {
    const int from = b * kWidth;
    startBatch<Lanes>(setup, batchAt(b), lanesOf(b), centres + from, sigmas + from,
                      [&](int i, int j) LUMICOMB_ALWAYS_INLINE { return sampleOf(i, from + j); });
  }
  for (bool firstRound = true, any = true; any; firstRound = false) {
    for (int b = 0; b < batches; ++b)
      if (anyLane(batchAt(b).template get<Mask>(kActive)))
        startRound<kMethod>(setup, batchAt(b), firstRound);
    if constexpr (kMethod == Method::Winsorized) {
      for (bool winsorizing = true; winsorizing;) {
        winsorizing = false;
        for (int b = 0; b < batches; ++b)
          if (anyLane(batchAt(b).template get<Mask>(kWinsorizing)))
            winsorizing |= winsorizingStep(setup, batchAt(b));
      }
    }
    any = false;
    for (int b = 0; b < batches; ++b)
      if (anyLane(batchAt(b).template get<Mask>(kActive))) {
        rejectRound(setup, batchAt(b));
        any |= anyLane(batchAt(b).template get<Mask>(kActive));
      }
  }
  for (int b = 0; b < batches; ++b)
    finishBatch(setup, batchAt(b), lanesOf(b), outcomes[b]);
}

} // namespace lumicomb::rejection
