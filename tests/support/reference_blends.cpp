#include "support/reference_blends.h"

#include <algorithm>

namespace lumicomb::test {

int64_t dividedHalfEven(int64_t total, int64_t divisor) {
  const int64_t quotient = total / divisor;
  const int64_t twiceRemainder = 2 * (total % divisor);
  if (twiceRemainder > divisor || (twiceRemainder == divisor && quotient % 2 == 1))
    return quotient + 1;
  return quotient;
}

Picture referenceSumDivide(const std::vector<Picture> &stack, int64_t divisor) {
  Picture result = filledPicture(stack[0].width, stack[0].height, {});
  for (size_t p = 0; p < result.pixels.size(); ++p) {
    int64_t red = 0, green = 0, blue = 0;
    for (const Picture &source : stack) {
      red += source.pixels[p].red;
      green += source.pixels[p].green;
      blue += source.pixels[p].blue;
    }
    auto channel = [&](int64_t total) {
      return static_cast<uint8_t>(std::min<int64_t>(255, dividedHalfEven(total, divisor)));
    };
    result.pixels[p] = {channel(red), channel(green), channel(blue)};
  }
  return result;
}

} // namespace lumicomb::test
