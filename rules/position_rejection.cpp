#include "rules/position_rejection.h"

#include "base/numbers.h"

#include <algorithm>
#include <utility>

namespace lumicomb::rejection {
namespace {

void sortSamples(uint16_t *values, int n) {
  if (n > 32) {
    std::sort(values, values + n);
    return;
  }
  for (int i = 1; i < n; ++i) {
    const uint16_t value = values[i];
    int j = i;
    for (; j > 0 && values[j - 1] > value; --j)
      values[j] = values[j - 1];
    values[j] = value;
  }
}

/// Twice the median of values[0, n), leaving the values in the order Siril's median leaves them:
/// sorted below 9 values (its sorting networks sort them whole); from 9 on, partitioned around the
/// middle rank k = n / 2 by a quickselect that takes the middle element of the range as pivot,
/// moves it to the range's end, gathers the smaller values before it in order of finding, and
/// narrows the range to the side that holds k, keeping the pivot's place as its end.
uint32_t medianTwiceInSirilOrder(uint16_t *values, int n) {
  const int k = n / 2;
  if (n < 9) {
    sortSamples(values, n);
  } else {
    int left = 0, right = n - 1;
    while (left < right) {
      const int middle = (left + right) / 2;
      const uint16_t pivot = values[middle];
      values[middle] = values[right];
      values[right] = pivot;
      int place = left;
      for (int i = left; i < right; ++i)
        if (values[i] < pivot)
          std::swap(values[place++], values[i]);
      values[right] = values[place];
      values[place] = pivot;
      if (place < k)
        left = place + 1;
      else
        right = place;
    }
  }
  return n % 2 == 0 ? uint32_t{values[k - 1]} + values[k] : 2 * uint32_t{values[k]};
}

void addUp(const uint16_t *values, int n, uint64_t &total, uint64_t &squares) {
  total = squares = 0;
  for (int i = 0; i < n; ++i) {
    total += values[i];
    squares += uint64_t{values[i]} * values[i];
  }
}

} // namespace

float PositionRejection::roundSigma(const uint16_t *kept, int count, float centre, uint64_t total,
                                    uint64_t squares) const {
  const float sigma = spreadOf(deviationNumerator(total, squares, count), pairsOf(count));
  return m_method == Method::Winsorized ? winsorized(kept, count, centre, sigma) : sigma;
}

/// The copy is clamped again each time to bounds from the latest sigma. Clamps compose into one
/// clamp, to each bound clamped in turn, so the copy is the samples clamped to [low, high]. Once
/// sigma comes from the copy, bounds that leave the copy as it is would give the same sigma
/// again, which ends the search: that step is not worked out.
float PositionRejection::winsorized(const uint16_t *kept, int count, float centre,
                                    float sigma) const {
  const auto top = static_cast<float>(m_top);
  const float pairs = pairsOf(count);
  int32_t low = 0, high = m_top;
  for (bool first = true;; first = false) {
    const int32_t lowBound = roundedBound(centre - kWinsorSpan * sigma, top);
    const int32_t highBound = roundedBound(centre + kWinsorSpan * sigma, top);
    const int32_t nextLow = clamped(low, lowBound, highBound);
    const int32_t nextHigh = clamped(high, lowBound, highBound);
    if (!first && nextLow == low && nextHigh == high)
      return sigma;
    low = nextLow;
    high = nextHigh;
    const auto lowest = static_cast<uint16_t>(low), highest = static_cast<uint16_t>(high);
    uint64_t total = 0, squares = 0;
    for (int i = 0; i < count; ++i) {
      const uint64_t value = std::clamp(kept[i], lowest, highest);
      total += value;
      squares += value * value;
    }
    const float next = winsorizedSpread(deviationNumerator(total, squares, count), pairs);
    const bool again = keepsWinsorizing(next, sigma);
    sigma = next;
    if (!again)
      return sigma;
  }
}

PositionResult PositionRejection::operator()(const uint16_t *samples, int n, uint16_t *work,
                                             const float *firstSigma) const {
  std::copy(samples, samples + n, work);
  sortSamples(work, n);
  uint64_t total, squares;
  addUp(work, n, total, squares);
  // Rejections take the lowest and the highest samples, so the kept ones stay a run of the
  // sorted samples: [first, end).
  int first = 0, end = n;
  for (;;) {
    const int count = end - first;
    const float centre = 0.5f * static_cast<float>(uint32_t{work[first + (count - 1) / 2]} +
                                                   work[first + count / 2]);
    const float sigma = firstSigma && first == 0 && end == n
                            ? *firstSigma
                            : roundSigma(work + first, count, centre, total, squares);
    int below = 0, above = 0;
    while (below < count && rejectsBelow(centre, work[first + below], sigma))
      ++below;
    while (above < count - below && rejectsAbove(centre, work[end - 1 - above], sigma))
      ++above;
    const int found = below + above;
    const int room = count - (n - count) - kFewestKept;
    if (found == 0 || room <= 0)
      break;
    if (found > room)
      return inTestingOrder(samples, n, work);
    for (int i = 0; i < below; ++i, ++first) {
      total -= work[first];
      squares -= uint64_t{work[first]} * work[first];
    }
    for (int i = 0; i < above; ++i) {
      --end;
      total -= work[end];
      squares -= uint64_t{work[end]} * work[end];
    }
    if (end - first <= 3)
      break;
  }
  const int kept = end - first;
  return {divideHalfEven(static_cast<uint32_t>(total), static_cast<uint32_t>(kept)), n - kept};
}

PositionResult PositionRejection::inTestingOrder(const uint16_t *samples, int n,
                                                 uint16_t *work) const {
  std::copy(samples, samples + n, work);
  int count = n, rejected = 0;
  bool changed = true;
  uint64_t total, squares;
  while (changed && count > 3) {
    const float centre = 0.5f * static_cast<float>(medianTwiceInSirilOrder(work, count));
    addUp(work, count, total, squares);
    const float sigma = roundSigma(work, count, centre, total, squares);
    int kept = 0;
    for (int i = 0; i < count; ++i) {
      const uint16_t sample = work[i];
      const bool rejects = count - rejected > kFewestKept && (rejectsBelow(centre, sample, sigma) ||
                                                              rejectsAbove(centre, sample, sigma));
      rejected += rejects ? 1 : 0;
      if (!rejects)
        work[kept++] = sample;
    }
    changed = kept != count;
    count = kept;
  }
  addUp(work, count, total, squares);
  return {divideHalfEven(static_cast<uint32_t>(total), static_cast<uint32_t>(count)), n - count};
}

} // namespace lumicomb::rejection
