#include "support/reference_blends.h"

#include <algorithm>
#include <array>
#include <functional>

namespace lumicomb::test {
namespace {

using Channel = uint8_t Rgb::*;
constexpr std::array<Channel, 3> kChannels = {&Rgb::red, &Rgb::green, &Rgb::blue};

/// Builds the result channel by channel from the stack's values at each position, in source order.
Picture perChannel(const std::vector<Picture> &stack,
                   const std::function<int64_t(const std::vector<int64_t> &)> &reduce) {
  Picture result = filledPicture(stack[0].width, stack[0].height, {});
  std::vector<int64_t> values(stack.size());
  for (size_t p = 0; p < result.pixels.size(); ++p)
    for (Channel channel : kChannels) {
      for (size_t i = 0; i < stack.size(); ++i)
        values[i] = stack[i].pixels[p].*channel;
      result.pixels[p].*channel = static_cast<uint8_t>(std::min<int64_t>(255, reduce(values)));
    }
  return result;
}

int64_t totalOf(const std::vector<int64_t> &values) {
  int64_t total = 0;
  for (int64_t value : values)
    total += value;
  return total;
}

} // namespace

int64_t dividedHalfEven(int64_t total, int64_t divisor) {
  const int64_t quotient = total / divisor;
  const int64_t twiceRemainder = 2 * (total % divisor);
  if (twiceRemainder > divisor || (twiceRemainder == divisor && quotient % 2 == 1))
    return quotient + 1;
  return quotient;
}

Picture referenceSumDivide(const std::vector<Picture> &stack, int64_t divisor) {
  return perChannel(stack, [&](const std::vector<int64_t> &values) {
    return dividedHalfEven(totalOf(values), divisor);
  });
}

Picture referenceBrightest(const std::vector<Picture> &stack) {
  return perChannel(stack, [](const std::vector<int64_t> &values) {
    return *std::max_element(values.begin(), values.end());
  });
}

Picture referenceDarkest(const std::vector<Picture> &stack) {
  return perChannel(stack, [](const std::vector<int64_t> &values) {
    return *std::min_element(values.begin(), values.end());
  });
}

Picture referenceMedian(const std::vector<Picture> &stack) {
  return perChannel(stack, [](std::vector<int64_t> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    if (n % 2 == 1)
      return values[n / 2];
    return dividedHalfEven(values[n / 2 - 1] + values[n / 2], 2);
  });
}

Picture referenceAverageOfCommonest(const std::vector<Picture> &stack) {
  auto bucketOf = [](const Rgb &colour) {
    return std::array<int64_t, 3>{dividedHalfEven(colour.red, 25),
                                  dividedHalfEven(colour.green, 25),
                                  dividedHalfEven(colour.blue, 25)};
  };
  Picture result = filledPicture(stack[0].width, stack[0].height, {});
  for (size_t p = 0; p < result.pixels.size(); ++p) {
    int counts[11][11][11] = {};
    int best = 0;
    std::array<int64_t, 3> winner{};
    for (const Picture &source : stack) {
      const std::array<int64_t, 3> bucket = bucketOf(source.pixels[p]);
      const int count = ++counts[bucket[0]][bucket[1]][bucket[2]];
      if (count > best) {
        best = count;
        winner = bucket;
      }
    }
    std::array<int64_t, 3> sums{};
    for (const Picture &source : stack)
      if (bucketOf(source.pixels[p]) == winner)
        for (size_t c = 0; c < 3; ++c)
          sums[c] += source.pixels[p].*kChannels[c];
    for (size_t c = 0; c < 3; ++c)
      result.pixels[p].*kChannels[c] = static_cast<uint8_t>(dividedHalfEven(sums[c], best));
  }
  return result;
}

Picture referenceDifferentFromFirst(const std::vector<Picture> &stack, int limit) {
  return perChannel(stack, [&](const std::vector<int64_t> &values) {
    int64_t kept = values[0];
    for (size_t i = 1; i < values.size(); ++i)
      if (std::abs(values[0] - values[i]) >= limit)
        kept = values[i];
    return kept;
  });
}

Picture referenceMostDifferent(const std::vector<Picture> &stack) {
  return perChannel(stack, [](const std::vector<int64_t> &values) {
    const int64_t average = dividedHalfEven(totalOf(values), static_cast<int64_t>(values.size()));
    int64_t kept = average;
    for (int64_t value : values)
      if (std::abs(average - value) >= std::abs(kept - average))
        kept = value;
    return kept;
  });
}

} // namespace lumicomb::test
