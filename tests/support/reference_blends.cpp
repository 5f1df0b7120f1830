#include "support/reference_blends.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace lumicomb::test {
namespace {

/// What the references need of a depth: the largest sample, and a sample's 8-bit value.
struct Depth {
  int64_t largest;
  int64_t (*eightBit)(int64_t);
};
constexpr Depth kEightBits{255, [](int64_t value) { return value; }};
constexpr Depth kSixteenBits{65535, [](int64_t value) { return dividedHalfEven(value, 257); }};

using Values = std::vector<int64_t>;

/// Builds the result sample by sample from the stack's values at each position, in source order.
WidePicture perChannel(const std::vector<WidePicture> &stack, Depth depth,
                       const std::function<int64_t(const Values &)> &reduce) {
  WidePicture result = stack[0];
  Values values(stack.size());
  for (size_t k = 0; k < result.samples.size(); ++k) {
    for (size_t i = 0; i < stack.size(); ++i)
      values[i] = stack[i].samples[k];
    result.samples[k] = static_cast<uint16_t>(std::min(depth.largest, reduce(values)));
  }
  return result;
}

int64_t totalOf(const Values &values) {
  int64_t total = 0;
  for (int64_t value : values)
    total += value;
  return total;
}

WidePicture sumDivide(const std::vector<WidePicture> &stack, Depth depth, int64_t divisor) {
  return perChannel(stack, depth, [&](const Values &values) {
    return dividedHalfEven(totalOf(values), divisor);
  });
}

WidePicture brightest(const std::vector<WidePicture> &stack, Depth depth) {
  return perChannel(stack, depth, [](const Values &values) {
    return *std::max_element(values.begin(), values.end());
  });
}

WidePicture darkest(const std::vector<WidePicture> &stack, Depth depth) {
  return perChannel(stack, depth, [](const Values &values) {
    return *std::min_element(values.begin(), values.end());
  });
}

WidePicture median(const std::vector<WidePicture> &stack, Depth depth) {
  return perChannel(stack, depth, [](Values values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    if (n % 2 == 1)
      return values[n / 2];
    return dividedHalfEven(values[n / 2 - 1] + values[n / 2], 2);
  });
}

WidePicture averageOfCommonest(const std::vector<WidePicture> &stack, Depth depth) {
  using Colour = std::array<int64_t, 3>;
  auto colourAt = [](const WidePicture &source, size_t pixel) {
    return Colour{source.samples[3 * pixel], source.samples[3 * pixel + 1],
                  source.samples[3 * pixel + 2]};
  };
  auto bucketOf = [&](const Colour &colour) {
    Colour bucket;
    for (size_t c = 0; c < 3; ++c)
      bucket[c] = dividedHalfEven(depth.eightBit(colour[c]), 25);
    return bucket;
  };
  WidePicture result = stack[0];
  for (size_t p = 0; p < result.samples.size() / 3; ++p) {
    int counts[11][11][11] = {};
    int best = 0;
    Colour winner{};
    for (const WidePicture &source : stack) {
      const Colour bucket = bucketOf(colourAt(source, p));
      const int count = ++counts[bucket[0]][bucket[1]][bucket[2]];
      if (count > best) {
        best = count;
        winner = bucket;
      }
    }
    Colour sums{};
    for (const WidePicture &source : stack)
      if (bucketOf(colourAt(source, p)) == winner)
        for (size_t c = 0; c < 3; ++c)
          sums[c] += colourAt(source, p)[c];
    for (size_t c = 0; c < 3; ++c)
      result.samples[3 * p + c] = static_cast<uint16_t>(dividedHalfEven(sums[c], best));
  }
  return result;
}

WidePicture differentFromFirst(const std::vector<WidePicture> &stack, Depth depth, int limit) {
  return perChannel(stack, depth, [&](const Values &values) {
    int64_t kept = values[0];
    for (size_t i = 1; i < values.size(); ++i)
      if (std::abs(depth.eightBit(values[0]) - depth.eightBit(values[i])) >= limit)
        kept = values[i];
    return kept;
  });
}

WidePicture mostDifferent(const std::vector<WidePicture> &stack, Depth depth) {
  return perChannel(stack, depth, [](const Values &values) {
    const int64_t average = dividedHalfEven(totalOf(values), static_cast<int64_t>(values.size()));
    int64_t kept = average;
    for (int64_t value : values)
      if (std::abs(average - value) >= std::abs(kept - average))
        kept = value;
    return kept;
  });
}

/// max over k of 2^(-(N-1-k)/H) * F_k in long double, rounded once, halves to even.
WidePicture comet(const std::vector<WidePicture> &stack, Depth depth, double halfLife) {
  return perChannel(stack, depth, [&](const Values &values) {
    long double largest = 0;
    const auto count = static_cast<long double>(values.size());
    for (size_t k = 0; k < values.size(); ++k)
      largest = std::max(largest, std::exp2l(-(count - 1 - static_cast<long double>(k)) /
                                             static_cast<long double>(halfLife)) *
                                      static_cast<long double>(values[k]));
    const long double whole = std::floor(largest);
    const long double fraction = largest - whole;
    const auto down = static_cast<int64_t>(whole);
    return fraction > 0.5L || (fraction == 0.5L && down % 2 == 1) ? down + 1 : down;
  });
}

/// Runs a reference on an 8-bit stack by way of its samples.
template <typename Reference, typename... Arguments>
Picture atEightBits(const std::vector<Picture> &stack, Reference reference,
                    Arguments... arguments) {
  std::vector<WidePicture> samples;
  for (const Picture &picture : stack)
    samples.push_back(widened(picture, 1));
  const WidePicture result = reference(samples, kEightBits, arguments...);
  Picture picture = filledPicture(result.width, result.height, {});
  for (size_t p = 0; p < picture.pixels.size(); ++p)
    picture.pixels[p] = {static_cast<uint8_t>(result.samples[3 * p]),
                         static_cast<uint8_t>(result.samples[3 * p + 1]),
                         static_cast<uint8_t>(result.samples[3 * p + 2])};
  return picture;
}

} // namespace

int64_t dividedHalfEven(int64_t total, int64_t divisor) {
  const int64_t quotient = total / divisor;
  const int64_t twiceRemainder = 2 * (total % divisor);
  if (twiceRemainder > divisor || (twiceRemainder == divisor && quotient % 2 == 1))
    return quotient + 1;
  return quotient;
}

WidePicture widened(const Picture &picture, int factor) {
  WidePicture result{picture.width, picture.height, {}};
  for (const Rgb &pixel : picture.pixels)
    for (uint8_t sample : {pixel.red, pixel.green, pixel.blue})
      result.samples.push_back(static_cast<uint16_t>(sample * factor));
  return result;
}

Picture referenceSumDivide(const std::vector<Picture> &stack, int64_t divisor) {
  return atEightBits(stack, sumDivide, divisor);
}
Picture referenceBrightest(const std::vector<Picture> &stack) {
  return atEightBits(stack, brightest);
}
Picture referenceDarkest(const std::vector<Picture> &stack) { return atEightBits(stack, darkest); }
Picture referenceMedian(const std::vector<Picture> &stack) { return atEightBits(stack, median); }
Picture referenceAverageOfCommonest(const std::vector<Picture> &stack) {
  return atEightBits(stack, averageOfCommonest);
}
Picture referenceDifferentFromFirst(const std::vector<Picture> &stack, int limit) {
  return atEightBits(stack, differentFromFirst, limit);
}
Picture referenceMostDifferent(const std::vector<Picture> &stack) {
  return atEightBits(stack, mostDifferent);
}
Picture referenceComet(const std::vector<Picture> &stack, double halfLife) {
  return atEightBits(stack, comet, halfLife);
}

namespace wide {
WidePicture referenceSumDivide(const std::vector<WidePicture> &stack, int64_t divisor) {
  return sumDivide(stack, kSixteenBits, divisor);
}
WidePicture referenceBrightest(const std::vector<WidePicture> &stack) {
  return brightest(stack, kSixteenBits);
}
WidePicture referenceDarkest(const std::vector<WidePicture> &stack) {
  return darkest(stack, kSixteenBits);
}
WidePicture referenceMedian(const std::vector<WidePicture> &stack) {
  return median(stack, kSixteenBits);
}
WidePicture referenceAverageOfCommonest(const std::vector<WidePicture> &stack) {
  return averageOfCommonest(stack, kSixteenBits);
}
WidePicture referenceDifferentFromFirst(const std::vector<WidePicture> &stack, int limit) {
  return differentFromFirst(stack, kSixteenBits, limit);
}
WidePicture referenceComet(const std::vector<WidePicture> &stack, double halfLife) {
  return comet(stack, kSixteenBits, halfLife);
}
WidePicture referenceMostDifferent(const std::vector<WidePicture> &stack) {
  return mostDifferent(stack, kSixteenBits);
}
} // namespace wide

} // namespace lumicomb::test
