#include "support/rejection_reference.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace lumicomb::test {
namespace {

using Samples = std::vector<int64_t>;

// Sigma and what is compared with it are floats, as the rules work them out: the deviation from
// exact whole sums, each further step rounded once.
float sampleDeviation(const Samples &values) {
  int64_t total = 0, squares = 0;
  for (int64_t value : values) {
    total += value;
    squares += value * value;
  }
  const auto n = static_cast<int64_t>(values.size());
  const auto numerator = static_cast<float>(n * squares - total * total);
  return std::sqrt(numerator / static_cast<float>(n * (n - 1)));
}

/// Puts the samples in the order the median search leaves them, in which they are then tested:
/// sorted below 9; otherwise a quickselect of rank n / 2 whose pivot is the middle of the range,
/// swapped to the range's end, with the smaller values moved to the front as they are met.
void testingOrder(Samples &values) {
  const size_t n = values.size(), k = n / 2;
  if (n < 9) {
    std::sort(values.begin(), values.end());
    return;
  }
  size_t left = 0, right = n - 1;
  while (left < right) {
    std::swap(values[(left + right) / 2], values[right]);
    const int64_t pivot = values[right];
    size_t place = left;
    for (size_t i = left; i < right; ++i)
      if (values[i] < pivot)
        std::swap(values[i], values[place++]);
    std::swap(values[place], values[right]);
    (place < k ? left : right) = place < k ? place + 1 : place;
  }
}

float medianOf(Samples values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return static_cast<float>(values[(n - 1) / 2] + values[n / 2]) / 2;
}

int64_t roundedHalfUp(float value, int top) {
  return static_cast<int64_t>(std::clamp(value, 0.0f, static_cast<float>(top)) + 0.5f);
}

float winsorizedDeviation(const Samples &values, float centre, float sigma, int top) {
  Samples copy = values;
  float previous;
  do {
    const int64_t low = roundedHalfUp(centre - 1.5f * sigma, top);
    const int64_t high = roundedHalfUp(centre + 1.5f * sigma, top);
    for (int64_t &value : copy)
      value = std::clamp(value, low, high);
    previous = sigma;
    sigma = 1.134f * sampleDeviation(copy);
  } while (std::abs(sigma - previous) > 0.0005f * previous);
  return sigma;
}

/// One position: the rounded mean of what is kept, and how many samples went. The testing order
/// matters only where the limit stops a round partway; putting the samples in it costs a deep
/// stack of equal samples quadratic time, so it is followed only when the run without it meets
/// such a round, and then from the start.
std::pair<int64_t, int64_t> rejectAndAverage(Samples stack, bool winsorized, float low, float high,
                                             int top, bool inOrder = false) {
  const Samples samples = stack;
  const auto n = static_cast<int64_t>(stack.size());
  int64_t rejected = 0;
  bool changed = true;
  while (changed && stack.size() > 3) {
    if (inOrder)
      testingOrder(stack);
    const float centre = medianOf(stack);
    float sigma = sampleDeviation(stack);
    if (winsorized)
      sigma = winsorizedDeviation(stack, centre, sigma, top);
    const auto count = static_cast<int64_t>(stack.size());
    Samples kept;
    int64_t far = 0;
    for (int64_t value : stack) {
      const auto sample = static_cast<float>(value);
      const bool isFar = centre - sample > low * sigma || sample - centre > high * sigma;
      far += isFar ? 1 : 0;
      if (count - rejected > 4 && isFar)
        ++rejected;
      else
        kept.push_back(value);
    }
    if (!inOrder && far > static_cast<int64_t>(stack.size() - kept.size()) &&
        kept.size() < stack.size())
      return rejectAndAverage(samples, winsorized, low, high, top, true);
    changed = kept.size() != stack.size();
    stack = kept;
  }
  int64_t total = 0;
  for (int64_t value : stack)
    total += value;
  return {dividedHalfEven(total, static_cast<int64_t>(stack.size())),
          n - static_cast<int64_t>(stack.size())};
}

} // namespace

MapReference referenceRejectingMean(const std::vector<WidePicture> &stack, bool winsorized,
                                    double kappaLow, double kappaHigh, int top) {
  MapReference reference{stack[0], std::vector<uint16_t>(stack[0].samples.size() / 3, 0)};
  Samples values(stack.size());
  for (size_t k = 0; k < reference.picture.samples.size(); ++k) {
    for (size_t i = 0; i < stack.size(); ++i)
      values[i] = stack[i].samples[k];
    const auto [mean, rejected] = rejectAndAverage(values, winsorized, static_cast<float>(kappaLow),
                                                   static_cast<float>(kappaHigh), top);
    reference.picture.samples[k] = static_cast<uint16_t>(mean);
    reference.map[k / 3] = static_cast<uint16_t>(reference.map[k / 3] + rejected);
  }
  return reference;
}

Picture referenceRejectingMean(const std::vector<Picture> &stack, bool winsorized, double kappaLow,
                               double kappaHigh) {
  std::vector<WidePicture> samples;
  for (const Picture &picture : stack)
    samples.push_back(widened(picture, 1));
  const WidePicture mean =
      referenceRejectingMean(samples, winsorized, kappaLow, kappaHigh, 255).picture;
  Picture result = stack[0];
  for (size_t p = 0; p < result.pixels.size(); ++p)
    result.pixels[p] = {static_cast<uint8_t>(mean.samples[3 * p]),
                        static_cast<uint8_t>(mean.samples[3 * p + 1]),
                        static_cast<uint8_t>(mean.samples[3 * p + 2])};
  return result;
}

std::vector<uint16_t> referenceWinners(const std::vector<WidePicture> &stack, bool brightest) {
  std::vector<uint16_t> winners(stack[0].samples.size() / 3);
  for (size_t p = 0; p < winners.size(); ++p) {
    size_t best = 0;
    for (size_t i = 1; i < stack.size(); ++i) {
      const uint16_t green = stack[i].samples[3 * p + 1], kept = stack[best].samples[3 * p + 1];
      if (brightest ? green > kept : green < kept)
        best = i;
    }
    winners[p] = static_cast<uint16_t>(best + 1);
  }
  return winners;
}

std::vector<uint16_t> referenceCometWinners(const std::vector<WidePicture> &stack,
                                            double halfLife) {
  std::vector<uint16_t> winners(stack[0].samples.size() / 3);
  const auto count = static_cast<long double>(stack.size());
  for (size_t p = 0; p < winners.size(); ++p) {
    int64_t best = -1;
    for (size_t k = 0; k < stack.size(); ++k) {
      const long double faded = std::exp2l(-(count - 1 - static_cast<long double>(k)) /
                                           static_cast<long double>(halfLife)) *
                                stack[k].samples[3 * p + 1];
      const long double whole = std::floor(faded);
      auto value = static_cast<int64_t>(whole);
      if (faded - whole > 0.5L || (faded - whole == 0.5L && value % 2 == 1))
        ++value;
      if (value > best) {
        best = value;
        winners[p] = static_cast<uint16_t>(k + 1);
      }
    }
  }
  return winners;
}

std::vector<WidePicture> outlierStack(int count, int64_t width, int64_t height, int top,
                                      unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> anywhere(0, top), eighth(0, 7), spread(-top / 40, top / 40);
  const auto samples = static_cast<size_t>(3 * width * height);
  std::vector<int> levels(samples);
  for (int &level : levels)
    level = anywhere(random);
  std::vector<WidePicture> stack(static_cast<size_t>(count),
                                 WidePicture{width, height, std::vector<uint16_t>(samples)});
  for (WidePicture &picture : stack)
    for (size_t k = 0; k < samples; ++k) {
      int value = std::clamp(levels[k] + spread(random), 0, top);
      if (eighth(random) == 0) {
        const int kind = eighth(random);
        value = kind == 0 ? 0 : kind == 1 ? top : anywhere(random);
      }
      picture.samples[k] = static_cast<uint16_t>(value);
    }
  return stack;
}

} // namespace lumicomb::test
