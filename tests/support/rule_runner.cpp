#include "support/rule_runner.h"

#include <cstring>
#include <numeric>

namespace lumicomb::test {
namespace {

/// Feeds rowOf(index, y) of every source to the rule in the given order, then reduces every row
/// into outRow(y).
template <typename RowOf, typename OutRow>
void runSweep(SweepRule &rule, size_t sources, int64_t width, int64_t height,
              const std::vector<int> &order, RowOf rowOf, OutRow outRow) {
  rule.begin(static_cast<int>(sources), width, height);
  for (int index : order)
    for (int64_t y = 0; y < height; ++y)
      rule.collect(index + 1, y, rowOf(static_cast<size_t>(index), y));
  for (int64_t y = 0; y < height; ++y)
    rule.reduce(y, outRow(y));
}

/// Hands the rule rowOf(index, y) of every source at once for every row.
template <typename RowOf, typename OutRow>
void runBand(BandRule &rule, size_t sources, int64_t width, int64_t height, RowOf rowOf,
             OutRow outRow) {
  rule.begin(static_cast<int>(sources));
  std::vector<const uint8_t *> rows(sources);
  for (int64_t y = 0; y < height; ++y) {
    for (size_t i = 0; i < sources; ++i)
      rows[i] = rowOf(i, y);
    rule.reduceRow(rows.data(), 3 * width, outRow(y));
  }
}

/// Row y of a 16-bit picture as the rules see it.
const uint8_t *rowOf(const WidePicture &picture, int64_t y) {
  return reinterpret_cast<const uint8_t *>(picture.samples.data() + 3 * picture.width * y);
}
uint8_t *rowOf(WidePicture &picture, int64_t y) {
  return reinterpret_cast<uint8_t *>(picture.samples.data() + 3 * picture.width * y);
}

} // namespace

Picture sweepBlend(SweepRule &rule, const std::vector<Picture> &stack,
                   const std::vector<int> &order) {
  const int64_t width = stack[0].width, height = stack[0].height;
  std::vector<Bitmap> sources(stack.size());
  for (int index : order)
    sources[static_cast<size_t>(index)] = toBitmap(stack[static_cast<size_t>(index)]);
  Bitmap result = allocateRgb24(width, height);
  runSweep(
      rule, stack.size(), width, height, order,
      [&](size_t index, int64_t y) { return scanLine(sources[index].get(), y); },
      [&](int64_t y) { return scanLine(result.get(), y); });
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
  Bitmap result = allocateRgb24(stack[0].width, stack[0].height);
  runBand(
      rule, stack.size(), stack[0].width, stack[0].height,
      [&](size_t index, int64_t y) { return scanLine(sources[index].get(), y); },
      [&](int64_t y) { return scanLine(result.get(), y); });
  return toPicture(result.get());
}

WidePicture sweepBlend(SweepRule &rule, const std::vector<WidePicture> &stack,
                       const std::vector<int> &order) {
  WidePicture result = stack[0];
  runSweep(
      rule, stack.size(), result.width, result.height, order,
      [&](size_t index, int64_t y) { return rowOf(stack[index], y); },
      [&](int64_t y) { return rowOf(result, y); });
  return result;
}

WidePicture bandBlend(BandRule &rule, const std::vector<WidePicture> &stack) {
  WidePicture result = stack[0];
  runBand(
      rule, stack.size(), result.width, result.height,
      [&](size_t index, int64_t y) { return rowOf(stack[index], y); },
      [&](int64_t y) { return rowOf(result, y); });
  return result;
}

WidePicture bandBlendAtDepth(BandRule &rule, const std::vector<WidePicture> &stack,
                             SampleDepth depth, std::vector<uint16_t> *map) {
  const int64_t width = stack[0].width, height = stack[0].height;
  const auto rowBytes = static_cast<size_t>(3 * width * bytesPerSample(depth));
  std::vector<std::vector<uint8_t>> rows(stack.size(), std::vector<uint8_t>(rowBytes));
  std::vector<const uint8_t *> pointers;
  for (const std::vector<uint8_t> &row : rows)
    pointers.push_back(row.data());
  std::vector<uint8_t> out(rowBytes);
  WidePicture result = stack[0];
  if (map)
    map->assign(static_cast<size_t>(width * height), 0);
  rule.begin(static_cast<int>(stack.size()));
  for (int64_t y = 0; y < height; ++y) {
    const auto first = static_cast<size_t>(3 * width * y);
    for (size_t i = 0; i < stack.size(); ++i)
      for (size_t k = 0; k < static_cast<size_t>(3 * width); ++k) {
        const uint16_t sample = stack[i].samples[first + k];
        if (depth == SampleDepth::Sixteen)
          std::memcpy(rows[i].data() + 2 * k, &sample, 2);
        else
          rows[i][k] = static_cast<uint8_t>(sample);
      }
    if (map)
      rule.reduceRowWithMap(pointers.data(), 3 * width, out.data(),
                            map->data() + static_cast<size_t>(width * y));
    else
      rule.reduceRow(pointers.data(), 3 * width, out.data());
    for (size_t k = 0; k < static_cast<size_t>(3 * width); ++k) {
      uint16_t sample = out[k];
      if (depth == SampleDepth::Sixteen)
        std::memcpy(&sample, out.data() + 2 * k, 2);
      result.samples[first + k] = sample;
    }
  }
  return result;
}

std::vector<WidePicture> randomWideStack(int count, int64_t width, int64_t height, unsigned seed) {
  std::vector<uint16_t> edges = {0, 1, 65534, 65535};
  // Each side of the halves between 8-bit equivalents, for equivalents at the buckets' edges
  // (12 | 13, 37 | 38, ...) and a few others.
  for (int equivalent : {1, 12, 13, 37, 38, 100, 112, 113, 127, 128, 237, 238, 254})
    for (int offset : {-129, -128, 0, 128, 129})
      edges.push_back(static_cast<uint16_t>(257 * equivalent + offset));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> anySample(0, 65535);
  std::uniform_int_distribution<size_t> anyEdge(0, edges.size() - 1);
  std::vector<WidePicture> stack;
  for (int i = 0; i < count; ++i) {
    WidePicture picture{width, height,
                        std::vector<uint16_t>(static_cast<size_t>(3 * width * height))};
    for (uint16_t &sample : picture.samples)
      sample = random() % 2 ? edges[anyEdge(random)] : static_cast<uint16_t>(anySample(random));
    stack.push_back(std::move(picture));
  }
  return stack;
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
