#include "passes/band_plan.h"

#include <algorithm>

namespace lumicomb {
namespace {

constexpr int64_t kPage = 4096;
constexpr int64_t kCacheLine = 64;

int64_t slotBytesFor(int64_t bytes) { return (bytes + kPage - 1) / kPage * kPage + kCacheLine; }

} // namespace

BandPlan planBands(const BandPlanInput &input) {
  const int64_t height = std::max<int64_t>(input.height, 1);
  const uint64_t sources = static_cast<uint64_t>(std::max(input.sources, 1));
  const uint64_t sourceBytes = static_cast<uint64_t>(input.sourceBytes);
  const uint64_t resultBytes = sourceBytes;

  if (input.sourcesAlreadyHeld || resultBytes + sources * sourceBytes <= input.budget)
    return {true, height, 1, 0};

  const uint64_t decoding = static_cast<uint64_t>(std::max(input.decodingThreads, 1)) * sourceBytes;
  const uint64_t padding = sources * static_cast<uint64_t>(kPage + kCacheLine);
  const uint64_t reserved = resultBytes + decoding + padding;
  const uint64_t left = input.budget > reserved ? input.budget - reserved : 0;
  const int64_t rowBytes = std::max<int64_t>(input.rowBytes, 1);
  const uint64_t bandRowBytes = sources * static_cast<uint64_t>(rowBytes);
  const int64_t rows = static_cast<int64_t>(
      std::clamp<uint64_t>(left / bandRowBytes, 1, static_cast<uint64_t>(height)));
  return {false, rows, (height + rows - 1) / rows, slotBytesFor(rows * rowBytes)};
}

} // namespace lumicomb
