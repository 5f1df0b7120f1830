#include "support/rule_runner.h"

#include <numeric>

namespace lumicomb::test {

Picture sweepBlend(SweepRule &rule, const std::vector<Picture> &stack,
                   const std::vector<int> &order) {
  const int64_t width = stack[0].width, height = stack[0].height;
  rule.begin(static_cast<int>(stack.size()), width, height);
  for (int index : order) {
    const Bitmap source = toBitmap(stack[static_cast<size_t>(index)]);
    for (int64_t y = 0; y < height; ++y)
      rule.collect(index + 1, y, scanLine(source.get(), y));
  }
  Bitmap result = allocateRgb24(width, height);
  for (int64_t y = 0; y < height; ++y)
    rule.reduce(y, scanLine(result.get(), y));
  return toPicture(result.get());
}

Picture sweepBlend(SweepRule &rule, const std::vector<Picture> &stack) {
  std::vector<int> order(stack.size());
  std::iota(order.begin(), order.end(), 0);
  return sweepBlend(rule, stack, order);
}

Picture bandBlend(BandRule &rule, const std::vector<Picture> &stack) {
  std::vector<Bitmap> sources;
  for (const Picture &picture : stack)
    sources.push_back(toBitmap(picture));
  rule.begin(static_cast<int>(stack.size()));
  Bitmap result = allocateRgb24(stack[0].width, stack[0].height);
  std::vector<const uint8_t *> rows(stack.size());
  for (int64_t y = 0; y < stack[0].height; ++y) {
    for (size_t i = 0; i < sources.size(); ++i)
      rows[i] = scanLine(sources[i].get(), y);
    rule.reduceRow(rows.data(), 3 * stack[0].width, scanLine(result.get(), y));
  }
  return toPicture(result.get());
}

std::vector<Picture> redStack(std::initializer_list<uint8_t> reds) {
  std::vector<Picture> stack;
  for (uint8_t red : reds)
    stack.push_back(filledPicture(1, 1, {red, 0, 0}));
  return stack;
}

uint8_t redOf(const Picture &picture) { return picture.pixels[0].red; }

std::vector<Picture> colourStack(std::initializer_list<Rgb> colours) {
  std::vector<Picture> stack;
  for (const Rgb &colour : colours)
    stack.push_back(filledPicture(1, 1, colour));
  return stack;
}

} // namespace lumicomb::test
