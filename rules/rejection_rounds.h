#pragma once
// The rounds of the rejecting means for positions whose first round rejected something, worked a
// batch of positions side by side. Each lane's samples are sorted by a sorting network; rejection
// takes the lowest and the highest samples, so what a lane keeps stays a run [first, end) of its
// sorted samples, and its median and sums come from the run's ends. A lane where the limit on
// rejections stops a round partway depends on the order its samples are tested in, and is left
// for PositionRejection::inTestingOrder. Every step is PositionRejection's arithmetic, lane by
// lane.
#include "rules/rejection_lanes.h"

#include <cstdint>
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

/// Bytes of the working memory settleBatch takes for `sources` samples.
inline size_t batchBytes(int sources) { return 32 * (4 * static_cast<size_t>(sources) + 2); }

/// Settles `lanes` positions, whose first round's centre and sigma are given; sampleOf(i, j) is
/// the sample of source i at lane j's position.
template <Method kMethod, typename Lanes, typename SampleOf>
[[gnu::always_inline]] inline void
settleBatch(const RoundsSetup &setup, int lanes, const float *centres, const float *sigmas,
            SampleOf sampleOf, uint8_t *memory, BatchOutcome<Lanes> &outcome) {
  using Values = typename Lanes::Values;
  using Reals = typename Lanes::Reals;
  using Mask = Wholes<Reals>;
  constexpr int kWidth = Lanes::kWidth;
  const int n = setup.sources;
  uint8_t *sorted = memory;
  uint8_t *totals = sorted + n * sizeof(Values);        // n + 1 running totals
  uint8_t *squares = totals + (n + 1) * sizeof(Values); // n + 1 running sums of squares
  uint8_t *kept = squares + (n + 1) * sizeof(Values);   // n lane masks
  const auto element = [](const uint8_t *base, int i, int j) { return loadAt<Values>(base, i)[j]; };

  for (int i = 0; i < n; ++i) {
    Values value = {};
    for (int j = 0; j < lanes; ++j)
      value[j] = sampleOf(i, j);
    storeAt(sorted, i, value);
  }
  for (const auto &[a, b] : *setup.network) {
    const Values first = loadAt<Values>(sorted, a), second = loadAt<Values>(sorted, b);
    storeAt(sorted, a, smaller(first, second));
    storeAt(sorted, b, larger(first, second));
  }
  Values total = {}, square = {};
  storeAt(totals, 0, total);
  storeAt(squares, 0, square);
  for (int i = 0; i < n; ++i) {
    const Values value = loadAt<Values>(sorted, i);
    total += value;
    square += value * value;
    storeAt(totals, i + 1, total);
    storeAt(squares, i + 1, square);
  }

  Mask first = {}, end = Mask{} + n, rejected = {}, active = {}, ordered = {}, unknown = {};
  Reals centre = {}, sigma = {};
  for (int j = 0; j < lanes; ++j) {
    active[j] = -1;
    centre[j] = centres[j];
    sigma[j] = sigmas[j];
    unknown[j] = sigmas[j] < 0 ? -1 : 0;
  }
  for (bool firstRound = true; anyLane(active); firstRound = false) {
    const Mask count = end - first;
    if (firstRound && anyLane(unknown)) {
      // The first round's sigma where the group left it unknown: winsorized from every sample.
      const Values all = Values{} + n;
      const Reals pairs = Reals{} + static_cast<float>(n * (n - 1));
      const Reals plain = spreadOf(
          Lanes::numerator(loadAt<Values>(totals, n), loadAt<Values>(squares, n), all), pairs);
      sigma = unknown != 0 ? winsorizeLanes<Lanes>(sorted, n, nullptr, all, pairs, setup.top,
                                                   centre, plain, unknown)
                           : sigma;
    }
    if (!firstRound) {
      Values sum = {}, sumOfSquares = {};
      for (int j = 0; j < kWidth; ++j) {
        if (!active[j])
          continue;
        const int from = first[j], to = end[j], kept = to - from;
        centre[j] = 0.5f * static_cast<float>(element(sorted, from + (kept - 1) / 2, j) +
                                              element(sorted, from + kept / 2, j));
        sum[j] = element(totals, to, j) - element(totals, from, j);
        sumOfSquares[j] = element(squares, to, j) - element(squares, from, j);
      }
      const Values counts = Lanes::values(count);
      const Reals pairs = Lanes::reals(counts * (counts - 1));
      sigma = active != 0 ? spreadOf(Lanes::numerator(sum, sumOfSquares, counts), pairs) : sigma;
      if constexpr (kMethod == Method::Winsorized) {
        for (int i = 0; i < n; ++i)
          storeAt(kept, i, Lanes::valuesMask((Mask{} + i >= first) & (Mask{} + i < end)));
        sigma =
            winsorizeLanes<Lanes>(sorted, n, kept, counts, pairs, setup.top, centre, sigma, active);
      }
    }
    Mask below = {}, above = {};
    for (int i = 0; i < n; ++i) {
      const Reals value = Lanes::reals(loadAt<Values>(sorted, i));
      const Mask inRun = (Mask{} + i >= first) & (Mask{} + i < end);
      below -= inRun & (centre - value > setup.low * sigma);
      above -= inRun & (value - centre > setup.high * sigma);
    }
    const Mask found = below + above;
    const Mask room = count - rejected - kFewestKept;
    const Mask settled = (found == 0) | (room <= 0);
    const Mask partway = ~settled & (found > room);
    ordered |= active & partway;
    const Mask step = active & ~settled & ~partway;
    first += step & below;
    end -= step & above;
    rejected += step & found;
    active = step & (end - first > 3);
  }
  for (int j = 0; j < lanes; ++j) {
    const int kept = end[j] - first[j];
    const auto total =
        static_cast<uint32_t>(element(totals, end[j], j) - element(totals, first[j], j));
    const uint32_t quotient = total / static_cast<uint32_t>(kept);
    const uint32_t twice = 2 * (total - quotient * static_cast<uint32_t>(kept));
    outcome.mean[j] = quotient + (twice > static_cast<uint32_t>(kept) ||
                                  (twice == static_cast<uint32_t>(kept) && (quotient & 1)));
    outcome.rejected[j] = n - kept;
    outcome.inTestingOrder[j] = ordered[j] != 0;
  }
}

} // namespace lumicomb::rejection
