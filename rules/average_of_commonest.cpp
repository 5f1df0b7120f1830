#include "rules/average_of_commonest.h"

#include "base/numbers.h"

#include <array>
#include <vector>

namespace lumicomb {
namespace {

constexpr int kBucketsPerChannel = 11;
constexpr int kColourBuckets = kBucketsPerChannel * kBucketsPerChannel * kBucketsPerChannel;

const std::array<uint16_t, 256> &channelBuckets() {
  static const std::array<uint16_t, 256> buckets = [] {
    std::array<uint16_t, 256> table{};
    for (int value = 0; value < 256; ++value)
      table[static_cast<size_t>(value)] =
          static_cast<uint16_t>(roundHalfEven(static_cast<double>(value) / 25.0));
    return table;
  }();
  return buckets;
}

class AverageOfCommonestRule : public BandRule {
public:
  void begin(int sources) override { m_sources = sources; }

  /// The tally is cleared once per row; after each position only the counters it touched are
  /// set back to 0, so a position costs a few steps per source, not the whole tally.
  void reduceRow(const uint8_t *const *rows, int64_t length, uint8_t *out) const override {
    const std::array<uint16_t, 256> &bucket = channelBuckets();
    const int sources = m_sources;
    std::vector<uint16_t> tally(kColourBuckets, 0);
    std::vector<uint16_t> colourBucket(static_cast<size_t>(sources));
    for (int64_t x = 0; x < length; x += 3) {
      // A bucket wins only by passing the best count, so among equal counts the one that got
      // there first in source order keeps it.
      int best = 0;
      uint16_t winner = 0;
      for (int i = 0; i < sources; ++i) {
        const uint8_t *sample = rows[i] + x;
        const auto id = static_cast<uint16_t>(
            (bucket[sample[2]] * kBucketsPerChannel + bucket[sample[1]]) * kBucketsPerChannel +
            bucket[sample[0]]);
        colourBucket[static_cast<size_t>(i)] = id;
        const int count = ++tally[id];
        if (count > best) {
          best = count;
          winner = id;
        }
      }
      uint32_t sums[3] = {0, 0, 0};
      for (int i = 0; i < sources; ++i) {
        const uint16_t id = colourBucket[static_cast<size_t>(i)];
        tally[id] = 0;
        if (id == winner)
          for (int c = 0; c < 3; ++c)
            sums[c] += rows[i][x + c];
      }
      for (int c = 0; c < 3; ++c)
        out[x + c] = static_cast<uint8_t>(divideHalfEven(sums[c], static_cast<uint32_t>(best)));
    }
  }

private:
  int m_sources = 0;
};

} // namespace

std::unique_ptr<BandRule> averageOfCommonestRule() {
  return std::make_unique<AverageOfCommonestRule>();
}

} // namespace lumicomb
