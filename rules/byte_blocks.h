#pragma once
// Rows of samples handled a block of 256 channel positions at a time, as sixteen vectors of
// sixteen byte lanes. GCC maps the vector types onto the processor's vector registers, so the
// band rules run a vector at a time without processor-specific code.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lumicomb::blocks {

using Bytes = uint8_t __attribute__((vector_size(16)));
using ByteMask = int8_t __attribute__((vector_size(16)));
/// Sixteen 16-bit lanes: counts and totals that outgrow a byte.
using Words = uint16_t __attribute__((vector_size(32)));
using WordMask = int16_t __attribute__((vector_size(32)));

constexpr int64_t kLanes = 16;
constexpr int64_t kVectors = 16;
constexpr int64_t kBlock = kLanes * kVectors;

using Block = Bytes[kVectors];
using WordBlock = Words[kVectors];

[[gnu::always_inline]] inline Bytes load(const uint8_t *at) {
  Bytes value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

[[gnu::always_inline]] inline Bytes choose(ByteMask take, Bytes ifTaken, Bytes otherwise) {
  const Bytes mask = reinterpret_cast<Bytes>(take);
  return (ifTaken & mask) | (otherwise & ~mask);
}

[[gnu::always_inline]] inline ByteMask narrow(WordMask wordMask) {
  return __builtin_convertvector(wordMask, ByteMask);
}

[[gnu::always_inline]] inline Bytes larger(Bytes a, Bytes b) { return choose(a > b, a, b); }
[[gnu::always_inline]] inline Bytes smaller(Bytes a, Bytes b) { return choose(a < b, a, b); }

/// (a + b) / 2 per lane, an exact half going to the even neighbour: the floor of the mean
/// without overflow, then one up where the sum is odd and that floor is odd.
[[gnu::always_inline]] inline Bytes meanHalfToEven(Bytes a, Bytes b) {
  const Bytes floorMean = (a >> 1) + (b >> 1) + (a & b & 1);
  const Bytes oddSum = (a ^ b) & 1;
  return floorMean + (oddSum & floorMean & 1);
}

/// Runs reduce(rows, start, result) for every block of a row of `length` bytes and stores the
/// results in `out`. The last block overlaps the one before rather than running short (the
/// overlapped positions are worked out twice, to the same values); a row shorter than one block
/// (a picture under 86 pixels wide) is padded out to one.
template <typename Reduce>
[[gnu::always_inline]] inline void forEachBlock(const uint8_t *const *rows, int sources,
                                                int64_t length, uint8_t *out, Reduce reduce) {
  Block result;
  if (length < kBlock) {
    std::vector<uint8_t> padded(static_cast<size_t>(sources * kBlock), 0);
    std::vector<const uint8_t *> paddedRows(static_cast<size_t>(sources));
    for (int i = 0; i < sources; ++i) {
      uint8_t *row = padded.data() + i * kBlock;
      std::memcpy(row, rows[i], static_cast<size_t>(length));
      paddedRows[static_cast<size_t>(i)] = row;
    }
    reduce(paddedRows.data(), int64_t{0}, result);
    std::memcpy(out, result, static_cast<size_t>(length));
    return;
  }
  for (int64_t start = 0; start < length; start += kBlock) {
    const int64_t at = std::min(start, length - kBlock);
    reduce(rows, at, result);
    std::memcpy(out + at, result, sizeof result);
  }
}

/// Sources counted in byte lanes before the counts are widened, so that a byte never overflows.
constexpr int kByteChunk = 255;

/// For every position of the block, how many sources pass test(sample, reference).
template <typename Test>
[[gnu::always_inline]] inline void countSources(const uint8_t *const *rows, int sources,
                                                int64_t start, const Block &reference,
                                                WordBlock &total, Test test) {
  for (Words &count : total)
    count = Words{};
  for (int first = 0; first < sources; first += kByteChunk) {
    Block chunk = {};
    const int last = std::min(sources, first + kByteChunk);
    for (int i = first; i < last; ++i) {
      const uint8_t *row = rows[i] + start;
      for (int64_t v = 0; v < kVectors; ++v)
        chunk[v] -= reinterpret_cast<Bytes>(test(load(row + v * kLanes), reference[v]));
    }
    for (int64_t v = 0; v < kVectors; ++v)
      total[v] += __builtin_convertvector(chunk[v], Words);
  }
}

} // namespace lumicomb::blocks
