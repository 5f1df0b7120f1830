#include "rules/average_of_commonest.h"

#include "base/numbers.h"
#include "rules/vector_clones.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace lumicomb {
namespace {

constexpr int kBucketsPerChannel = 11;
constexpr int kColourBuckets = kBucketsPerChannel * kBucketsPerChannel * kBucketsPerChannel;

/// A channel value's bucket, value / 25 rounded half to even. No value lies exactly half way
/// (that would take a value of 25k + 12.5), so it is (value + 12) / 25.
constexpr int bucketOf(int value) { return (value + 12) / 25; }

/// A sample's bucket: that of its 8-bit equivalent at 16 bits, so that the rule picks the same
/// bucket at either depth.
inline int bucketOfSample(uint8_t value) { return bucketOf(value); }
inline int bucketOfSample(uint16_t value) { return bucketOf(eightBitEquivalent(value)); }

/// Any number of sources, one pixel at a time with a tally of the buckets.
template <typename Sample> class TallyReduction {
public:
  explicit TallyReduction(int sources)
      : m_sources(sources), m_tally(kColourBuckets, 0),
        m_colourBucket(static_cast<size_t>(sources)) {}

  /// The tally is cleared once; after each pixel only the counters it touched are set back to 0,
  /// so a pixel costs a few steps per source, not the whole tally.
  void reducePixel(const uint8_t *const *rows, int64_t x, Sample *out) {
    // A bucket wins only by passing the best count, so among equal counts the one that got
    // there first in source order keeps it.
    int best = 0;
    uint16_t winner = 0;
    for (int i = 0; i < m_sources; ++i) {
      const Sample *sample = reinterpret_cast<const Sample *>(rows[i]) + x;
      const auto id = static_cast<uint16_t>(
          (bucketOfSample(sample[2]) * kBucketsPerChannel + bucketOfSample(sample[1])) *
              kBucketsPerChannel +
          bucketOfSample(sample[0]));
      m_colourBucket[static_cast<size_t>(i)] = id;
      const int count = ++m_tally[id];
      if (count > best) {
        best = count;
        winner = id;
      }
    }
    uint32_t sums[3] = {0, 0, 0};
    for (int i = 0; i < m_sources; ++i) {
      const uint16_t id = m_colourBucket[static_cast<size_t>(i)];
      m_tally[id] = 0;
      if (id == winner)
        for (int c = 0; c < 3; ++c)
          sums[c] += reinterpret_cast<const Sample *>(rows[i])[x + c];
    }
    for (int c = 0; c < 3; ++c)
      out[x + c] = static_cast<Sample>(divideHalfEven(sums[c], static_cast<uint32_t>(best)));
  }

private:
  int m_sources;
  std::vector<uint16_t> m_tally;
  std::vector<uint16_t> m_colourBucket;
};

// Up to kMostVectorSources sources, sixteen pixels at a time, each pixel in a 32-bit lane as
// blue | green << 8 | red << 16. A source's count is found by comparing its bucket with those of
// the sources before it, which costs the square of the count but no memory look-ups.
constexpr int kMostVectorSources = 64;
constexpr int64_t kStepPixels = 16;
constexpr int64_t kStepBytes = 3 * kStepPixels;

// The 32-byte vectors pass only between functions that are always inlined, so the calling
// convention GCC warns about for them on processors without AVX never comes into play.
#pragma GCC diagnostic ignored "-Wpsabi"

using Bytes16 = uint8_t __attribute__((vector_size(16)));
using Pixels = uint32_t __attribute__((vector_size(32)));
using Halves = uint16_t __attribute__((vector_size(32)));
using Ratios = float __attribute__((vector_size(32)));

struct Step {
  Pixels part[2];
};

[[gnu::always_inline]] inline Bytes16 load16(const uint8_t *at) {
  Bytes16 value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

/// Four pixels of three bytes, from the first twelve bytes of `bytes`, as 32-bit lanes.
[[gnu::always_inline]] inline Bytes16 spreadFirst(Bytes16 bytes) {
  return __builtin_shufflevector(bytes, Bytes16{}, 0, 1, 2, 16, 3, 4, 5, 16, 6, 7, 8, 16, 9, 10, 11,
                                 16);
}

/// The same from the last twelve bytes, so that a step never reads past its 48 bytes.
[[gnu::always_inline]] inline Bytes16 spreadLast(Bytes16 bytes) {
  return __builtin_shufflevector(bytes, Bytes16{}, 4, 5, 6, 16, 7, 8, 9, 16, 10, 11, 12, 16, 13, 14,
                                 15, 16);
}

[[gnu::always_inline]] inline Pixels join(Bytes16 low, Bytes16 high) {
  return reinterpret_cast<Pixels>(
      __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                              17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31));
}

[[gnu::always_inline]] inline Step loadStep(const uint8_t *at) {
  return {{join(spreadFirst(load16(at)), spreadFirst(load16(at + 12))),
           join(spreadFirst(load16(at + 24)), spreadLast(load16(at + 32)))}};
}

/// Each byte of the pixels replaced by its bucket; equal lanes mean the same colour bucket.
[[gnu::always_inline]] inline Pixels bucketsOf(Pixels pixels) {
  const Halves halves = reinterpret_cast<Halves>(pixels);
  // (v + 12) * 41 >> 10 equals (v + 12) / 25 for every byte value.
  const Halves low = (((halves & 0xFF) + 12) * 41) >> 10;
  const Halves high = (((halves >> 8) + 12) * 41) >> 10;
  return reinterpret_cast<Pixels>(low | (high << 8));
}

/// total / divisor rounded half to even in every lane; the single-precision quotient is at most
/// one off for these small numbers, and the remainder puts it right.
[[gnu::always_inline]] inline Pixels divideHalfEvenInLanes(Pixels totals, Pixels divisors) {
  using Signed = int32_t __attribute__((vector_size(32)));
  const Signed total = reinterpret_cast<Signed>(totals);
  const Signed divisor = reinterpret_cast<Signed>(divisors);
  Signed quotient = __builtin_convertvector(
      __builtin_convertvector(total, Ratios) / __builtin_convertvector(divisor, Ratios), Signed);
  Signed remainder = total - quotient * divisor;
  const Signed under = remainder < 0;
  quotient += under;
  remainder += under & divisor;
  const Signed over = remainder >= divisor;
  quotient -= over;
  remainder -= over & divisor;
  const Signed twice = 2 * remainder;
  const Signed up = (twice > divisor) | ((twice == divisor) & ((quotient & 1) != 0));
  return reinterpret_cast<Pixels>(quotient - up);
}

/// Writes the step's sixteen result pixels, given as 32-bit lanes, as 48 bytes.
[[gnu::always_inline]] inline void storeStep(const Step &result, uint8_t *out) {
  uint8_t packed[kStepBytes + 4];
  for (int p = 0; p < 2; ++p) {
    Bytes16 halves[2];
    std::memcpy(halves, &result.part[p], sizeof halves);
    for (int h = 0; h < 2; ++h) {
      const Bytes16 bytes = __builtin_shufflevector(halves[h], halves[h], 0, 1, 2, 4, 5, 6, 8, 9,
                                                    10, 12, 13, 14, 3, 7, 11, 15);
      std::memcpy(packed + (2 * p + h) * 12, &bytes, sizeof bytes);
    }
  }
  std::memcpy(out, packed, kStepBytes);
}

/// Counts source i's buckets, given the buckets of the sources before it, into the best count and
/// the winning bucket so far.
[[gnu::always_inline]] inline void tallyStep(const Step *buckets, int i, Step &best, Step &winner) {
  for (int p = 0; p < 2; ++p) {
    // This source's count so far: itself and every earlier source in its bucket.
    Pixels count = Pixels{} + 1;
    for (int j = 0; j < i; ++j)
      count -= reinterpret_cast<Pixels>(buckets[j].part[p] == buckets[i].part[p]);
    // A bucket wins only by passing the best count, so among equal counts the one that got
    // there first in source order keeps it.
    const Pixels passes = reinterpret_cast<Pixels>(count > best.part[p]);
    best.part[p] = (count & passes) | (best.part[p] & ~passes);
    winner.part[p] = (buckets[i].part[p] & passes) | (winner.part[p] & ~passes);
  }
}

/// One step of 16 pixels of every source.
[[gnu::always_inline]] inline Step reduceStep(const uint8_t *const *rows, int sources,
                                              int64_t start) {
  Step samples[kMostVectorSources];
  Step buckets[kMostVectorSources];
  Step best = {};
  Step winner = {};
  for (int i = 0; i < sources; ++i) {
    samples[i] = loadStep(rows[i] + start);
    for (int p = 0; p < 2; ++p)
      buckets[i].part[p] = bucketsOf(samples[i].part[p]);
    tallyStep(buckets, i, best, winner);
  }
  Step result;
  for (int p = 0; p < 2; ++p) {
    Pixels blueAndRed = {};
    Pixels green = {};
    for (int i = 0; i < sources; ++i) {
      const Pixels member = reinterpret_cast<Pixels>(buckets[i].part[p] == winner.part[p]);
      const Pixels sample = samples[i].part[p] & member;
      blueAndRed += sample & 0x00FF00FF;
      green += (sample >> 8) & 0xFF;
    }
    result.part[p] = divideHalfEvenInLanes(blueAndRed & 0xFFFF, best.part[p]) |
                     divideHalfEvenInLanes(green, best.part[p]) << 8 |
                     divideHalfEvenInLanes(blueAndRed >> 16, best.part[p]) << 16;
  }
  return result;
}

// At 16 bits a step holds each channel of its sixteen pixels in 32-bit lanes of its own, and
// the channels' buckets packed as at 8 bits.
using Words8 = uint16_t __attribute__((vector_size(16)));
using Words16 = uint16_t __attribute__((vector_size(32)));

struct WideStep {
  Pixels channel[3][2];
};

/// Channel c of eight pixels, from their 24 words.
template <int c>
[[gnu::always_inline]] inline Pixels channelOf(Words8 first, Words8 second, Words8 third) {
  const Words16 firstTwo =
      __builtin_shufflevector(first, second, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const Words16 last =
      __builtin_shufflevector(third, third, 0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7);
  const Words8 lanes = __builtin_shufflevector(firstTwo, last, c, c + 3, c + 6, c + 9, c + 12,
                                               c + 15, c + 18, c + 21);
  return __builtin_convertvector(lanes, Pixels);
}

[[gnu::always_inline]] inline WideStep loadWideStep(const uint8_t *at) {
  // Vector by vector, each a load of its own rather than a copy through memory.
  using UnalignedWords8 = uint16_t __attribute__((vector_size(16), aligned(1), may_alias));
  const auto *words = reinterpret_cast<const UnalignedWords8 *>(at);
  WideStep step;
  for (int p = 0; p < 2; ++p) {
    const Words8 first = words[3 * p], second = words[3 * p + 1], third = words[3 * p + 2];
    step.channel[0][p] = channelOf<0>(first, second, third);
    step.channel[1][p] = channelOf<1>(first, second, third);
    step.channel[2][p] = channelOf<2>(first, second, third);
  }
  return step;
}

/// The bucket of each 16-bit sample's 8-bit equivalent: (v * 255 + 32895) >> 16 equals
/// (v + 128) / 257 for every 16-bit value, and the bucket follows as at 8 bits.
[[gnu::always_inline]] inline Pixels wideBucketsOf(Pixels samples) {
  const Pixels equivalents = ((samples << 8) - samples + 32895) >> 16;
  return ((equivalents + 12) * 41) >> 10;
}

/// Writes the step's sixteen result pixels, each channel in 32-bit lanes, as 48 words.
[[gnu::always_inline]] inline void storeWideStep(const WideStep &result, uint8_t *out) {
  uint32_t lanes[3][kStepPixels];
  std::memcpy(lanes, result.channel, sizeof lanes);
  uint16_t words[3 * kStepPixels];
  for (int64_t x = 0; x < kStepPixels; ++x)
    for (int c = 0; c < 3; ++c)
      words[3 * x + c] = static_cast<uint16_t>(lanes[c][x]);
  std::memcpy(out, words, sizeof words);
}

/// reduceStep at 16 bits: the same buckets and counts, and sums of up to 64 16-bit samples, which
/// stay below 2^24 and so divide exactly in single precision.
[[gnu::always_inline]] inline WideStep reduceWideStep(const uint8_t *const *rows, int sources,
                                                      int64_t start) {
  WideStep samples[kMostVectorSources];
  Step buckets[kMostVectorSources];
  Step best = {};
  Step winner = {};
  for (int i = 0; i < sources; ++i) {
    samples[i] = loadWideStep(rows[i] + 2 * start);
    for (int p = 0; p < 2; ++p)
      buckets[i].part[p] = wideBucketsOf(samples[i].channel[0][p]) |
                           wideBucketsOf(samples[i].channel[1][p]) << 8 |
                           wideBucketsOf(samples[i].channel[2][p]) << 16;
    tallyStep(buckets, i, best, winner);
  }
  WideStep result;
  for (int p = 0; p < 2; ++p)
    for (int c = 0; c < 3; ++c) {
      Pixels total = {};
      for (int i = 0; i < sources; ++i)
        total += samples[i].channel[c][p] &
                 reinterpret_cast<Pixels>(buckets[i].part[p] == winner.part[p]);
      result.channel[c][p] = divideHalfEvenInLanes(total, best.part[p]);
    }
  return result;
}

/// Runs reduce(rows, start) for every step of a row of `length` samples and writes the results
/// with store. The last step overlaps the one before rather than running short; a picture under
/// 16 pixels wide is padded out to one step.
template <typename Sample, typename Reduce, typename Store>
[[gnu::always_inline]] inline void forEachStep(const uint8_t *const *rows, int sources,
                                               int64_t length, uint8_t *out, Reduce reduce,
                                               Store store) {
  constexpr int64_t kSize = sizeof(Sample);
  if (length < kStepBytes) {
    std::vector<uint8_t> padded(static_cast<size_t>(sources * kStepBytes * kSize), 0);
    std::vector<const uint8_t *> paddedRows(static_cast<size_t>(sources));
    for (int i = 0; i < sources; ++i) {
      uint8_t *row = padded.data() + i * kStepBytes * kSize;
      std::memcpy(row, rows[i], static_cast<size_t>(length * kSize));
      paddedRows[static_cast<size_t>(i)] = row;
    }
    uint8_t result[kStepBytes * kSize];
    store(reduce(paddedRows.data(), sources, 0), result);
    std::memcpy(out, result, static_cast<size_t>(length * kSize));
    return;
  }
  for (int64_t start = 0; start < length; start += kStepBytes) {
    const int64_t at = std::min(start, length - kStepBytes);
    store(reduce(rows, sources, at), out + at * kSize);
  }
}

/// Built twice (once in sanitizer builds), and the wider vector unit is used where the processor
/// has it; both give the same bytes.
LUMICOMB_VECTOR_CLONES void reduceWideRowInSteps(const uint8_t *const *rows, int sources,
                                                 int64_t samples, uint8_t *out) {
  forEachStep<uint16_t>(rows, sources, samples, out, reduceWideStep, storeWideStep);
}

/// Built twice (once in sanitizer builds), and the wider vector unit is used where the processor
/// has it; both give the same bytes.
LUMICOMB_VECTOR_CLONES void reduceRowInSteps(const uint8_t *const *rows, int sources,
                                             int64_t length, uint8_t *out) {
  forEachStep<uint8_t>(rows, sources, length, out, reduceStep, storeStep);
}

/// Up to 64 sources in steps of 16 pixels, more with a tally; at 16 bits the tally's 32-bit sums
/// still hold 32767 16-bit samples.
template <typename Sample> class AverageOfCommonestRule : public BandRule {
public:
  void begin(int sources) override { m_sources = sources; }

  void reduceRow(const uint8_t *const *rows, int64_t samples, uint8_t *out) const override {
    if (m_sources <= kMostVectorSources) {
      if constexpr (sizeof(Sample) == 1)
        reduceRowInSteps(rows, m_sources, samples, out);
      else
        reduceWideRowInSteps(rows, m_sources, samples, out);
      return;
    }
    TallyReduction<Sample> tally(m_sources);
    for (int64_t x = 0; x < samples; x += 3)
      tally.reducePixel(rows, x, reinterpret_cast<Sample *>(out));
  }

private:
  int m_sources = 0;
};

} // namespace

std::unique_ptr<BandRule> averageOfCommonestRule(SampleDepth depth) {
  if (depth == SampleDepth::Sixteen)
    return std::make_unique<AverageOfCommonestRule<uint16_t>>();
  return std::make_unique<AverageOfCommonestRule<uint8_t>>();
}

} // namespace lumicomb
