#pragma once
// The middle values of every position of a line of sources, found by counting rather than
// sorting: "Median" averages them, and the rejecting means start from them. Always inlined into
// the row loops that use them, so that a line's working set stays in vector registers.
#include "rules/byte_lines.h"

namespace lumicomb::lines {

/// The value of 0-based rank `rank` among the sources at each position of the line: the largest
/// v with at most `rank` values below it, found bit by bit from the top by counting. Counting
/// works on whole vectors where a sort would branch per position, and costs the same for any
/// order of the sources. Up to 255 sources the counts stay in bytes.
[[gnu::always_inline]] inline Line selectRank(const uint8_t *const *rows, int sources,
                                              int64_t start, int64_t rank) {
  // Counting the sources at or above the trial value takes one step less per source than
  // counting those below it: at most `rank` below is at least sources - rank at or above.
  const auto isAtOrAbove = [](Bytes sample, Bytes trial)
                               LUMICOMB_ALWAYS_INLINE { return sample >= trial; };
  const auto atLeast = [](auto count, auto limit) LUMICOMB_ALWAYS_INLINE { return count >= limit; };
  const int64_t least = sources - rank;
  Line found = {};
  for (int bit = 128; bit > 0; bit >>= 1) {
    const Line trial = each(found, splat(static_cast<uint8_t>(bit)),
                            [](Bytes a, Bytes b) LUMICOMB_ALWAYS_INLINE { return a | b; });
    const LineMask take =
        sources <= kByteChunk
            ? compareBytes(countInBytes(rows, 0, sources, start, trial, isAtOrAbove),
                           static_cast<uint8_t>(least), atLeast)
            : compareWords(countInWords(rows, sources, start, trial, isAtOrAbove),
                           static_cast<uint16_t>(least), atLeast);
    found = choose(take, trial, found);
  }
  return found;
}

/// The smallest value above `middle` at each position (255 where there is none).
[[gnu::always_inline]] inline Line nextValueAbove(const uint8_t *const *rows, int sources,
                                                  int64_t start, const Line &middle) {
  Line next = splat(255);
  for (int i = 0; i < sources; ++i) {
    const Line sample = load(rows[i] + start);
    for (int p = 0; p < kParts; ++p)
      next.part[p] = smaller(next.part[p],
                             choose(sample.part[p] > middle.part[p], sample.part[p], next.part[p]));
  }
  return next;
}

/// The upper middle value of an even count, given the lower one: the lower one again when more
/// than half the sources are at or below it, else the smallest value above it.
[[gnu::always_inline]] inline Line upperMiddle(const uint8_t *const *rows, int sources,
                                               int64_t start, const Line &middle) {
  const auto isAtOrBelow = [](Bytes sample, Bytes reference)
                               LUMICOMB_ALWAYS_INLINE { return sample <= reference; };
  const auto above = [](auto count, auto limit) LUMICOMB_ALWAYS_INLINE { return count > limit; };
  const Line next = nextValueAbove(rows, sources, start, middle);
  // A set holds at most 32767 images, so half the count fits a 16-bit lane.
  const auto halfCount = static_cast<uint16_t>(sources / 2);
  const LineMask lowerRepeats =
      sources <= kByteChunk
          ? compareBytes(countInBytes(rows, 0, sources, start, middle, isAtOrBelow),
                         static_cast<uint8_t>(halfCount), above)
          : compareWords(countInWords(rows, sources, start, middle, isAtOrBelow), halfCount, above);
  return choose(lowerRepeats, middle, next);
}

// At 16 bits the bytes a selection counts are held with their top bit flipped, which makes a
// signed comparison, one step, order them: counting takes three steps per source where unsigned
// bytes take four.
constexpr uint8_t kTopBit = 0x80;

/// The value of 0-based rank `rank` at each position of lines of flipped bytes, unflipped: the
/// largest v with at most `rank` values below it, found bit by bit from the top as selectRank does.
/// `rankBytes` holds the rank in every lane: built once per row rather than once per step.
[[gnu::always_inline]] inline Line selectRankOfFlipped(const uint8_t *const *rows, int sources,
                                                       int64_t rank, Bytes rankBytes) {
  const auto isBelow = [](Bytes sample, Bytes trial) LUMICOMB_ALWAYS_INLINE {
    return reinterpret_cast<ByteMask>(trial) > reinterpret_cast<ByteMask>(sample);
  };
  Line found = {};
#pragma GCC unroll 8
  for (int bit = 128; bit > 0; bit >>= 1) {
    const Line trial = each(found, splat(static_cast<uint8_t>(bit)),
                            [](Bytes a, Bytes b) LUMICOMB_ALWAYS_INLINE { return a | b; });
    const Line flipped =
        each(trial, splat(kTopBit), [](Bytes a, Bytes b) LUMICOMB_ALWAYS_INLINE { return a ^ b; });
    LineMask take;
    if (sources <= kByteChunk) {
      const Line below = countInBytes(rows, 0, sources, 0, flipped, isBelow);
      for (int p = 0; p < kParts; ++p)
        take.part[p] = below.part[p] <= rankBytes;
    } else {
      take = compareWords(
          countInWords(rows, sources, 0, flipped, isBelow), static_cast<uint16_t>(rank),
          [](auto count, auto limit) LUMICOMB_ALWAYS_INLINE { return count <= limit; });
    }
    found = choose(take, trial, found);
  }
  return found;
}

/// A line of 16-bit samples split into two lines of bytes: the samples' high bytes, flipped, and
/// their low bytes.
[[gnu::always_inline]] inline void splitWords(const uint8_t *at, uint8_t *high, uint8_t *low) {
  const WordLine words = loadWords(at);
  Line highs, lows;
  for (int p = 0; p < kParts; ++p) {
    const HalfBytes highHalves[2] = {
        __builtin_convertvector(words.part[2 * p] >> 8, HalfBytes),
        __builtin_convertvector(words.part[2 * p + 1] >> 8, HalfBytes)};
    const HalfBytes lowHalves[2] = {__builtin_convertvector(words.part[2 * p], HalfBytes),
                                    __builtin_convertvector(words.part[2 * p + 1], HalfBytes)};
    highs.part[p] = __builtin_shufflevector(highHalves[0], highHalves[1], 0, 1, 2, 3, 4, 5, 6, 7, 8,
                                            9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22,
                                            23, 24, 25, 26, 27, 28, 29, 30, 31) ^
                    kTopBit;
    lows.part[p] = __builtin_shufflevector(lowHalves[0], lowHalves[1], 0, 1, 2, 3, 4, 5, 6, 7, 8, 9,
                                           10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23,
                                           24, 25, 26, 27, 28, 29, 30, 31);
  }
  store(highs, high);
  store(lows, low);
}

/// A source's low bytes as they count once the high byte `found` is known, flipped: the source's
/// own low byte where its high byte is `found`, 255 where it is above (the source is at or above
/// every trial) and 0 where it is below (at or above none, as every trial is at least 1).
[[gnu::always_inline]] inline void keepLowWithin(const uint8_t *high, uint8_t *low,
                                                 const Line &found) {
  const Line highs = load(high);
  Line lows = load(low);
  for (int p = 0; p < kParts; ++p) {
    const ByteMask flippedFound = reinterpret_cast<ByteMask>(found.part[p] ^ kTopBit);
    const ByteMask flippedHigh = reinterpret_cast<ByteMask>(highs.part[p]);
    lows.part[p] = (reinterpret_cast<Bytes>(flippedHigh > flippedFound) |
                    (reinterpret_cast<Bytes>(flippedHigh == flippedFound) & lows.part[p])) ^
                   kTopBit;
  }
  store(lows, low);
}

/// upperMiddle on 16-bit samples, counting in word lanes in one pass over the sources.
[[gnu::always_inline]] inline WordLine upperMiddleWords(const uint8_t *const *rows, int sources,
                                                        int64_t start, const WordLine &middle) {
  WordLine next;
  WordLine atOrBelow = {};
  for (Words &part : next.part)
    part = Words{} + UINT16_MAX;
  for (int i = 0; i < sources; ++i) {
    const WordLine sample = loadWords(rows[i] + 2 * start);
    for (int p = 0; p < 2 * kParts; ++p) {
      atOrBelow.part[p] -= reinterpret_cast<Words>(sample.part[p] <= middle.part[p]);
      const Words above = choose(sample.part[p] > middle.part[p], sample.part[p], next.part[p]);
      next.part[p] = choose(above < next.part[p], above, next.part[p]);
    }
  }
  const auto halfCount = static_cast<uint16_t>(sources / 2);
  WordLine upper;
  for (int p = 0; p < 2 * kParts; ++p)
    upper.part[p] = choose(atOrBelow.part[p] > halfCount, middle.part[p], next.part[p]);
  return upper;
}

/// Where a 16-bit selection keeps each source's line split into bytes: every source's high bytes,
/// then every source's low bytes, a line each, small enough to stay in the cache for both
/// selections. Made once per row.
class SplitLines {
public:
  explicit SplitLines(int sources)
      : m_count(static_cast<size_t>(sources)), m_bytes(2 * m_count * kLine), m_high(m_count),
        m_low(m_count) {
    for (size_t i = 0; i < m_count; ++i) {
      m_high[i] = m_bytes.data() + i * kLine;
      m_low[i] = m_bytes.data() + (m_count + i) * kLine;
    }
  }

  /// The value of 0-based rank `rank` at each position of the line of 16-bit samples starting at
  /// sample `start`: the value of a rank has the high byte of that rank among the high bytes, and
  /// its low byte is the rank's among the low bytes as keepLowWithin counts them.
  [[gnu::always_inline]] WordLine selectRank(const uint8_t *const *rows, int64_t start,
                                             int64_t rank, Bytes rankBytes) {
    const int sources = static_cast<int>(m_count);
    uint8_t *const highs = m_bytes.data();
    uint8_t *const lows = m_bytes.data() + m_count * kLine;
    for (size_t i = 0; i < m_count; ++i)
      splitWords(rows[i] + 2 * start, highs + i * kLine, lows + i * kLine);
    const Line high = selectRankOfFlipped(m_high.data(), sources, rank, rankBytes);
    for (size_t i = 0; i < m_count; ++i)
      keepLowWithin(highs + i * kLine, lows + i * kLine, high);
    const Line low = selectRankOfFlipped(m_low.data(), sources, rank, rankBytes);
    WordLine middle = widen(high);
    const WordLine lowWords = widen(low);
    for (int p = 0; p < 2 * kParts; ++p)
      middle.part[p] = middle.part[p] << 8 | lowWords.part[p];
    return middle;
  }

private:
  size_t m_count;
  std::vector<uint8_t> m_bytes;
  std::vector<const uint8_t *> m_high, m_low;
};

} // namespace lumicomb::lines
