#pragma once
// Rows of samples handled one line of 64 channel positions at a time: a cache line of each
// source, held as two 32-byte vectors that GCC maps onto the processor's vector registers. A
// line's whole working set stays in registers while every source is read, so a rule streams
// through its sources once per step without spilling to memory.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

// The 32-byte vectors pass only between functions that are always inlined, so the calling
// convention GCC warns about for them on processors without AVX never comes into play.
#pragma GCC diagnostic ignored "-Wpsabi"

/// For the lambdas handed to these helpers: GCC inlines a lambda into a function built for a
/// wider vector unit only when told to, and the call would otherwise cost more than the lambda.
#define LUMICOMB_ALWAYS_INLINE __attribute__((always_inline))

namespace lumicomb::lines {

using Bytes = uint8_t __attribute__((vector_size(32)));
using ByteMask = int8_t __attribute__((vector_size(32)));
/// Half a Bytes vector widened to 16-bit lanes, for counts that outgrow a byte.
using HalfBytes = uint8_t __attribute__((vector_size(16)));
using Words = uint16_t __attribute__((vector_size(32)));
using WordMask = int16_t __attribute__((vector_size(32)));

constexpr int kParts = 2;
constexpr int64_t kPartBytes = sizeof(Bytes);
constexpr int64_t kLine = kParts * kPartBytes;

/// A line of 64 samples, one per position.
struct Line {
  Bytes part[kParts];
};
/// A line's positions in 16-bit lanes.
struct WordLine {
  Words part[2 * kParts];
};
/// A choice per position of a line: all bits set where it holds.
struct LineMask {
  ByteMask part[kParts];
};

[[gnu::always_inline]] inline Line load(const uint8_t *at) {
  // Part by part, so that each is one vector load rather than a copy through memory.
  Line line;
  for (int p = 0; p < kParts; ++p)
    std::memcpy(&line.part[p], at + p * kPartBytes, sizeof line.part[p]);
  return line;
}

/// Stores a line where no alignment is known: a heap block of lines is aligned to 16 bytes only
/// while the vectors' own type asks for 32 where the wider vector unit is used.
[[gnu::always_inline]] inline void store(const Line &line, uint8_t *at) {
  for (int p = 0; p < kParts; ++p)
    std::memcpy(at + p * kPartBytes, &line.part[p], sizeof line.part[p]);
}

/// A line of 64 16-bit samples, one per position, from 128 bytes.
[[gnu::always_inline]] inline WordLine loadWords(const uint8_t *at) {
  // One vector at a time into a value of its own, so that each is one vector load rather than a
  // copy through memory.
  using UnalignedWords = uint16_t __attribute__((vector_size(32), aligned(1), may_alias));
  const auto *words = reinterpret_cast<const UnalignedWords *>(at);
  return {{words[0], words[1], words[2], words[3]}};
}

[[gnu::always_inline]] inline Bytes splatBytes(uint8_t value) { return Bytes{} + value; }

[[gnu::always_inline]] inline Line splat(uint8_t value) {
  Line line;
  for (Bytes &part : line.part)
    part = splatBytes(value);
  return line;
}

/// Applies op to each part of the lines.
template <typename Op>
[[gnu::always_inline]] inline Line each(const Line &a, const Line &b, Op op) {
  Line result;
  for (int p = 0; p < kParts; ++p)
    result.part[p] = op(a.part[p], b.part[p]);
  return result;
}

[[gnu::always_inline]] inline Bytes choose(ByteMask take, Bytes ifTaken, Bytes otherwise) {
  const Bytes mask = reinterpret_cast<Bytes>(take);
  return (ifTaken & mask) | (otherwise & ~mask);
}

[[gnu::always_inline]] inline Line choose(const LineMask &take, const Line &ifTaken,
                                          const Line &otherwise) {
  Line result;
  for (int p = 0; p < kParts; ++p)
    result.part[p] = choose(take.part[p], ifTaken.part[p], otherwise.part[p]);
  return result;
}

[[gnu::always_inline]] inline Bytes larger(Bytes a, Bytes b) { return choose(a > b, a, b); }
[[gnu::always_inline]] inline Bytes smaller(Bytes a, Bytes b) { return choose(a < b, a, b); }

[[gnu::always_inline]] inline Words choose(WordMask take, Words ifTaken, Words otherwise) {
  const Words mask = reinterpret_cast<Words>(take);
  return (ifTaken & mask) | (otherwise & ~mask);
}

/// (a + b) / 2 per lane of bytes or words, an exact half going to the even neighbour: the floor
/// of the mean without overflow, then one up where the sum is odd and that floor is odd.
template <typename Lanes> [[gnu::always_inline]] inline Lanes meanHalfToEven(Lanes a, Lanes b) {
  const Lanes floorMean = (a >> 1) + (b >> 1) + (a & b & 1);
  const Lanes oddSum = (a ^ b) & 1;
  return floorMean + (oddSum & floorMean & 1);
}

/// The lines' 64 byte counts as 16-bit lanes, in position order.
[[gnu::always_inline]] inline WordLine widen(const Line &bytes) {
  WordLine words;
  for (int p = 0; p < kParts; ++p) {
    const HalfBytes low = __builtin_shufflevector(bytes.part[p], bytes.part[p], 0, 1, 2, 3, 4, 5, 6,
                                                  7, 8, 9, 10, 11, 12, 13, 14, 15);
    const HalfBytes high = __builtin_shufflevector(bytes.part[p], bytes.part[p], 16, 17, 18, 19, 20,
                                                   21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
    words.part[2 * p] = __builtin_convertvector(low, Words);
    words.part[2 * p + 1] = __builtin_convertvector(high, Words);
  }
  return words;
}

/// Per-position 16-bit choices narrowed back to a line's byte lanes.
[[gnu::always_inline]] inline LineMask narrow(const WordMask (&parts)[2 * kParts]) {
  LineMask mask;
  for (int p = 0; p < kParts; ++p) {
    using HalfMask = int8_t __attribute__((vector_size(16)));
    const HalfMask low = __builtin_convertvector(parts[2 * p], HalfMask);
    const HalfMask high = __builtin_convertvector(parts[2 * p + 1], HalfMask);
    mask.part[p] =
        __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                                17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
  }
  return mask;
}

/// Runs reduce(rows, start) for every line of a row of `length` samples of type Sample, `start`
/// being the line's first position, and stores the results, a Line of bytes or a WordLine of
/// words, in `out`. The last line overlaps the one before rather than running short (the
/// overlapped positions are worked out twice, to the same values); a row shorter than one line (a
/// picture under 22 pixels wide) is padded out to one.
template <typename Sample = uint8_t, typename Reduce>
[[gnu::always_inline]] inline void forEachLine(const uint8_t *const *rows, int sources,
                                               int64_t length, uint8_t *out, Reduce reduce) {
  constexpr int64_t kLineBytes = kLine * sizeof(Sample);
  if (length < kLine) {
    const auto bytes = static_cast<size_t>(length) * sizeof(Sample);
    std::vector<Sample> padded(static_cast<size_t>(sources * kLine), 0);
    std::vector<const uint8_t *> paddedRows(static_cast<size_t>(sources));
    for (int i = 0; i < sources; ++i) {
      auto *row = reinterpret_cast<uint8_t *>(padded.data() + i * kLine);
      std::memcpy(row, rows[i], bytes);
      paddedRows[static_cast<size_t>(i)] = row;
    }
    const auto result = reduce(paddedRows.data(), int64_t{0});
    static_assert(sizeof result == kLineBytes);
    std::memcpy(out, &result, bytes);
    return;
  }
  for (int64_t start = 0; start < length; start += kLine) {
    const int64_t at = std::min(start, length - kLine);
    const auto result = reduce(rows, at);
    std::memcpy(out + at * static_cast<int64_t>(sizeof(Sample)), &result, kLineBytes);
  }
}

/// Sources counted in byte lanes before the counts are widened, so that a byte never overflows.
constexpr int kByteChunk = 255;

/// For every position of the line, how many of sources first to last - 1 (at most kByteChunk)
/// pass test(sample, reference), in bytes.
template <typename Test>
[[gnu::always_inline]] inline Line countInBytes(const uint8_t *const *rows, int first, int last,
                                                int64_t start, const Line &reference, Test test) {
  Line count = {};
  for (int i = first; i < last; ++i) {
    const Line sample = load(rows[i] + start);
    for (int p = 0; p < kParts; ++p)
      count.part[p] -= reinterpret_cast<Bytes>(test(sample.part[p], reference.part[p]));
  }
  return count;
}

/// The same for any number of sources, in 16-bit lanes.
template <typename Test>
[[gnu::always_inline]] inline WordLine countInWords(const uint8_t *const *rows, int sources,
                                                    int64_t start, const Line &reference,
                                                    Test test) {
  WordLine total = {};
  for (int first = 0; first < sources; first += kByteChunk) {
    const WordLine chunk = widen(
        countInBytes(rows, first, std::min(sources, first + kByteChunk), start, reference, test));
    for (int p = 0; p < 2 * kParts; ++p)
      total.part[p] += chunk.part[p];
  }
  return total;
}

/// Where a 16-bit count passes test(count, limit), as a line's choice.
template <typename Test>
[[gnu::always_inline]] inline LineMask compareWords(const WordLine &counts, uint16_t limit,
                                                    Test test) {
  WordMask parts[2 * kParts];
  for (int p = 0; p < 2 * kParts; ++p)
    parts[p] = test(counts.part[p], Words{} + limit);
  return narrow(parts);
}

/// Where a byte count passes test(count, limit), as a line's choice.
template <typename Test>
[[gnu::always_inline]] inline LineMask compareBytes(const Line &counts, uint8_t limit, Test test) {
  LineMask mask;
  for (int p = 0; p < kParts; ++p)
    mask.part[p] = test(counts.part[p], splatBytes(limit));
  return mask;
}

} // namespace lumicomb::lines
