#include "rules/rejection_means.h"

#include "rules/half_even_division.h"
#include "rules/middle_selection.h"
#include "rules/position_rejection.h"
#include "rules/rejection_rounds.h"
#include "rules/sorting_network.h"
#include "rules/vector_clones.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace lumicomb {
namespace {

using namespace rejection;
using namespace lines;

/// The lower and upper middle values of every position of a row of 8-bit samples. `upper` has
/// room for a line even when the row is shorter.
LUMICOMB_VECTOR_CLONES void middlesOfBytes(const uint8_t *const *rows, int sources, int64_t samples,
                                           uint8_t *lower, uint8_t *upper) {
  const bool even = sources % 2 == 0;
  const int64_t rank = even ? sources / 2 - 1 : sources / 2;
  forEachLine(rows, sources, samples, lower,
              [&](const uint8_t *const *lineRows, int64_t start) LUMICOMB_ALWAYS_INLINE {
                const Line middle = selectRank(lineRows, sources, start, rank);
                store(even ? upperMiddle(lineRows, sources, start, middle) : middle, upper + start);
                return middle;
              });
}

/// The same for 16-bit samples.
LUMICOMB_VECTOR_CLONES void middlesOfWords(const uint8_t *const *rows, int sources, int64_t samples,
                                           uint8_t *lower, uint8_t *upper) {
  const bool even = sources % 2 == 0;
  const int64_t rank = even ? sources / 2 - 1 : sources / 2;
  SplitLines split(sources);
  const Bytes rankBytes = splatBytes(static_cast<uint8_t>(rank));
  forEachLine<uint16_t>(rows, sources, samples, lower,
                        [&](const uint8_t *const *lineRows, int64_t start) LUMICOMB_ALWAYS_INLINE {
                          const WordLine middle =
                              split.selectRank(lineRows, start, rank, rankBytes);
                          const WordLine high =
                              even ? upperMiddleWords(lineRows, sources, start, middle) : middle;
                          std::memcpy(upper + 2 * start, &high, sizeof high);
                          return middle;
                        });
}

/// Positions whose first round rejects something are settled in batches up to this many sources;
/// beyond, sorting them by a network costs more than one by one.
constexpr int kMostBatched = 256;

/// What the settling of a row needs besides the row.
struct Settings {
  Method method;
  float low, high; ///< the kappas
  int sources;
  float pairs;
  float top;
  float reciprocal; ///< 1 / sources
  PositionRejection exact;
  std::vector<std::pair<uint16_t, uint16_t>> network; ///< sorts the sources' samples

  RoundsSetup rounds() const { return {sources, low, high, top, &network}; }
};

/// A thread's working memory, kept from row to row.
struct RowWork {
  std::vector<uint8_t> lower, upper; ///< middle values, as samples
  std::vector<uint16_t> rejected;    ///< per sample
  /// One group's samples, a group's worth per source, as bytes: a vector type is aligned to 32
  /// bytes only where the processor's wider unit is in use, so memory allocated elsewhere may not
  /// be, and the values are copied in and out.
  std::vector<uint8_t> group;
  std::vector<uint16_t> position; ///< one position's samples, and room to work on them
  /// Positions of the row whose first round rejected something, with that round's centre and
  /// sigma, and the memory their batches are settled in.
  std::vector<int64_t> pending;
  std::vector<float> centres, sigmas;
  std::vector<uint8_t> batch;

  void size(int64_t samples, int sources, int bytesPerSample) {
    batch.resize(kBatchesTogether * batchBytes(sources));
    const auto row = static_cast<size_t>(std::max(samples, kLine) * bytesPerSample);
    lower.resize(row);
    upper.resize(row);
    rejected.resize(static_cast<size_t>(samples));
    group.resize(32 * static_cast<size_t>(sources));
    position.resize(2 * static_cast<size_t>(sources));
  }
};

template <typename Sample> struct RowAccess {
  const uint8_t *const *rows;
  Sample *out;
  uint16_t *rejected;

  Sample sample(int i, int64_t k) const { return reinterpret_cast<const Sample *>(rows[i])[k]; }
};

/// Settles position k on its own, the whole definition; `firstSigma` is the first round's sigma
/// where the group worked it out.
template <typename Sample>
[[gnu::always_inline]] inline void
settlePosition(const Settings &settings, const RowAccess<Sample> &row, int64_t k,
               uint16_t *position, const float *firstSigma = nullptr) {
  for (int i = 0; i < settings.sources; ++i)
    position[i] = row.sample(i, k);
  const PositionResult result =
      settings.exact(position, settings.sources, position + settings.sources, firstSigma);
  row.out[k] = static_cast<Sample>(result.mean);
  row.rejected[k] = static_cast<uint16_t>(result.rejected);
}

/// Settles the group of positions at k. The first round is worked out for the whole group at
/// once: where it rejects nothing, the mean of every sample is the result. Any position where it
/// rejects something is settled again on its own.
template <Method kMethod, typename Lanes>
[[gnu::always_inline]] inline void
settleGroup(const Settings &settings, const RowAccess<typename Lanes::Sample> &row,
            const typename Lanes::Sample *lower, const typename Lanes::Sample *upper, int64_t k,
            RowWork &work) {
  using Values = typename Lanes::Values;
  using Reals = typename Lanes::Reals;
  using Sample = typename Lanes::Sample;
  // Held locally: the copies into the group's bytes might otherwise alias them, and they would be
  // loaded again for every source.
  const int sources = settings.sources;
  const uint8_t *const *rows = row.rows;
  uint8_t *group = work.group.data();
  const int64_t at = k * static_cast<int64_t>(sizeof(Sample));
  Values total = {}, squares = {};
  Values least = Values{} + static_cast<Sample>(settings.top), most = {};
  for (int i = 0; i < sources; ++i) {
    const Values value = Lanes::load(rows[i] + at);
    if constexpr (kMethod == Method::Winsorized)
      std::memcpy(group + i * sizeof(Values), &value, sizeof value);
    total += value;
    squares += value * value;
    least = smaller(least, value);
    most = larger(most, value);
  }
  const Reals centre =
      0.5f * Lanes::reals(Lanes::load(reinterpret_cast<const uint8_t *>(lower + k)) +
                          Lanes::load(reinterpret_cast<const uint8_t *>(upper + k)));
  const Reals sigma =
      spreadOf(Lanes::numerator(total, squares, Values{} + sources), settings.pairs);
  // Every position gets the mean of all its samples and no rejection first; those where the
  // first round may reject something are settled again, in batches.
  Lanes::storeMeans(total, sources, settings.reciprocal, row.out + k);
  std::fill_n(row.rejected + k, Lanes::kWidth, 0);
  const Reals low = Lanes::reals(least), high = Lanes::reals(most);
  Wholes<Reals> clean;
  Reals firstSigma = sigma;
  if constexpr (kMethod == Method::Winsorized) {
    clean = cleanAfterWinsorizing<Lanes>(group, sources, settings.pairs, settings.top, settings.low,
                                         settings.high, centre, sigma, low, high);
    // The first round's winsorized sigma is not known; marked negative, the batch works it out.
    firstSigma = Reals{} - 1;
  } else {
    clean = (centre - low <= settings.low * sigma) & (high - centre <= settings.high * sigma);
  }
  if (!anyLane(~clean))
    return;
  for (int j = 0; j < Lanes::kWidth; ++j)
    if (!clean[j]) {
      work.pending.push_back(k + j);
      work.centres.push_back(centre[j]);
      work.sigmas.push_back(firstSigma[j]);
    }
}

/// Settles the row's pending positions, batches of them side by side (see settleBatches), or one
/// by one for deep stacks.
template <Method kMethod, typename Lanes>
[[gnu::always_inline]] inline void settlePending(const Settings &settings,
                                                 const RowAccess<typename Lanes::Sample> &row,
                                                 RowWork &work) {
  using Sample = typename Lanes::Sample;
  const auto pending = static_cast<int64_t>(work.pending.size());
  if (settings.sources > kMostBatched) {
    for (int64_t p = 0; p < pending; ++p) {
      const float first = work.sigmas[static_cast<size_t>(p)];
      settlePosition(settings, row, work.pending[static_cast<size_t>(p)], work.position.data(),
                     first >= 0 ? &first : nullptr);
    }
    return;
  }
  constexpr int kWidth = Lanes::kWidth;
  constexpr int kChunk = kWidth * kBatchesTogether;
  BatchOutcome<Lanes> outcomes[kBatchesTogether];
  for (int64_t from = 0; from < pending; from += kChunk) {
    const int count = static_cast<int>(std::min<int64_t>(kChunk, pending - from));
    const int64_t *positions = work.pending.data() + from;
    settleBatches<kMethod, Lanes>(
        settings.rounds(), count, work.centres.data() + from, work.sigmas.data() + from,
        [&](int i, int p) LUMICOMB_ALWAYS_INLINE { return row.sample(i, positions[p]); },
        work.batch.data(), outcomes);
    for (int p = 0; p < count; ++p) {
      BatchOutcome<Lanes> &outcome = outcomes[p / kWidth];
      const int j = p % kWidth;
      const int64_t k = positions[p];
      if (outcome.inTestingOrder[j]) {
        for (int i = 0; i < settings.sources; ++i)
          work.position[static_cast<size_t>(i)] = row.sample(i, k);
        const PositionResult result = settings.exact.inTestingOrder(
            work.position.data(), settings.sources, work.position.data() + settings.sources);
        outcome.mean[j] = result.mean;
        outcome.rejected[j] = result.rejected;
      }
      row.out[k] = static_cast<Sample>(outcome.mean[j]);
      row.rejected[k] = static_cast<uint16_t>(outcome.rejected[j]);
    }
  }
}

template <Method kMethod, typename Lanes>
[[gnu::always_inline]] inline void settleRow(const Settings &settings,
                                             const RowAccess<typename Lanes::Sample> &row,
                                             int64_t samples, RowWork &work) {
  using Sample = typename Lanes::Sample;
  const auto *lower = reinterpret_cast<const Sample *>(work.lower.data());
  const auto *upper = reinterpret_cast<const Sample *>(work.upper.data());
  constexpr int64_t kWidth = Lanes::kWidth;
  if (samples < kWidth) {
    for (int64_t k = 0; k < samples; ++k)
      settlePosition(settings, row, k, work.position.data());
    return;
  }
  // The last group overlaps the one before rather than running short; its positions are settled
  // twice, to the same values.
  work.pending.clear();
  work.centres.clear();
  work.sigmas.clear();
  for (int64_t k = 0; k < samples; k += kWidth)
    settleGroup<kMethod, Lanes>(settings, row, lower, upper, std::min(k, samples - kWidth), work);
  settlePending<kMethod, Lanes>(settings, row, work);
}

template <typename Lanes>
[[gnu::always_inline]] inline void settleRowOf(const Settings &settings,
                                               const RowAccess<typename Lanes::Sample> &row,
                                               int64_t samples, RowWork &work) {
  if (settings.method == Method::Winsorized)
    settleRow<Method::Winsorized, Lanes>(settings, row, samples, work);
  else
    settleRow<Method::SigmaClipping, Lanes>(settings, row, samples, work);
}

template <typename Lanes>
[[gnu::always_inline]] inline void settleRowOfBytesIn(const Settings &settings,
                                                      const RowAccess<uint8_t> &row,
                                                      int64_t samples, RowWork &work) {
  if (settings.sources <= Lanes::kMostSources)
    settleRowOf<Lanes>(settings, row, samples, work);
  else
    settleRowOf<WideLanes<uint8_t>>(settings, row, samples, work);
}

void settleRowOfBytesPlain(const Settings &settings, const RowAccess<uint8_t> &row, int64_t samples,
                           RowWork &work) {
  settleRowOfBytesIn<ByteLanes>(settings, row, samples, work);
}

#ifndef LUMICOMB_NO_TARGET_CLONES
/// Built for AVX2 by hand rather than cloned: its samples are widened by shuffles, which plain
/// x86-64 would do sample by sample.
[[gnu::target("avx2")]] void settleRowOfBytesForAvx2(const Settings &settings,
                                                     const RowAccess<uint8_t> &row, int64_t samples,
                                                     RowWork &work) {
  settleRowOfBytesIn<ShuffledByteLanes>(settings, row, samples, work);
}
#endif

void settleRowOfBytes(const Settings &settings, const RowAccess<uint8_t> &row, int64_t samples,
                      RowWork &work) {
#ifndef LUMICOMB_NO_TARGET_CLONES
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2)
    return settleRowOfBytesForAvx2(settings, row, samples, work);
#endif
  settleRowOfBytesPlain(settings, row, samples, work);
}

LUMICOMB_VECTOR_CLONES void settleRowOfWords(const Settings &settings,
                                             const RowAccess<uint16_t> &row, int64_t samples,
                                             RowWork &work) {
  settleRowOf<WideLanes<uint16_t>>(settings, row, samples, work);
}

/// Deep stacks of 16-bit samples, whose numerators no group's lanes hold exactly.
void settleRowOneByOne(const Settings &settings, const RowAccess<uint16_t> &row, int64_t samples,
                       RowWork &work) {
  for (int64_t k = 0; k < samples; ++k)
    settlePosition(settings, row, k, work.position.data());
}

/// With four samples or fewer nothing is ever rejected: the mean of all of them.
template <typename Sample>
void averageRow(const uint8_t *const *rows, int sources, int64_t samples, Sample *out,
                const HalfEvenDivision &divide) {
  for (int64_t k = 0; k < samples; ++k) {
    uint32_t total = 0;
    for (int i = 0; i < sources; ++i)
      total += reinterpret_cast<const Sample *>(rows[i])[k];
    out[k] = static_cast<Sample>(divide(total));
  }
}

class RejectionRule : public BandRule {
public:
  RejectionRule(Method method, Kappas kappas, SampleDepth depth)
      : m_method(method), m_kappas(kappas), m_depth(depth) {}

  void begin(int sources) override {
    const int top = m_depth == SampleDepth::Sixteen ? UINT16_MAX : UINT8_MAX;
    m_settings.emplace(
        Settings{m_method, static_cast<float>(m_kappas.low), static_cast<float>(m_kappas.high),
                 sources, pairsOf(sources), static_cast<float>(top),
                 1.0f / static_cast<float>(sources), PositionRejection(m_method, m_kappas, top),
                 sources <= kMostBatched ? sortingNetwork(sources)
                                         : std::vector<std::pair<uint16_t, uint16_t>>()});
    m_divide.emplace(static_cast<uint32_t>(sources));
    // Doubles hold a group's numerators exactly while n * (sum of squares) stays below 2^53.
    const double largestNumerator = double(sources) * sources * top * top;
    m_inGroups = largestNumerator < 9007199254740992.0;
  }

  void reduceRow(const uint8_t *const *rows, int64_t samples, uint8_t *out) const override {
    reduceRowWithMap(rows, samples, out, nullptr);
  }

  void reduceRowWithMap(const uint8_t *const *rows, int64_t samples, uint8_t *out,
                        uint16_t *map) const override {
    const Settings &settings = *m_settings;
    const bool wide = m_depth == SampleDepth::Sixteen;
    if (settings.sources <= kFewestKept) {
      if (wide)
        averageRow(rows, settings.sources, samples, reinterpret_cast<uint16_t *>(out), *m_divide);
      else
        averageRow(rows, settings.sources, samples, out, *m_divide);
      if (map)
        std::fill_n(map, samples / 3, 0);
      return;
    }
    thread_local RowWork work;
    work.size(samples, settings.sources, wide ? 2 : 1);
    if (!wide) {
      middlesOfBytes(rows, settings.sources, samples, work.lower.data(), work.upper.data());
      settleRowOfBytes(settings, {rows, out, work.rejected.data()}, samples, work);
    } else if (m_inGroups) {
      middlesOfWords(rows, settings.sources, samples, work.lower.data(), work.upper.data());
      settleRowOfWords(settings, {rows, reinterpret_cast<uint16_t *>(out), work.rejected.data()},
                       samples, work);
    } else {
      settleRowOneByOne(settings, {rows, reinterpret_cast<uint16_t *>(out), work.rejected.data()},
                        samples, work);
    }
    if (map)
      for (int64_t p = 0; p < samples / 3; ++p)
        map[p] = static_cast<uint16_t>(
            std::min<int>(UINT16_MAX, work.rejected[static_cast<size_t>(3 * p)] +
                                          work.rejected[static_cast<size_t>(3 * p + 1)] +
                                          work.rejected[static_cast<size_t>(3 * p + 2)]));
  }

private:
  Method m_method;
  Kappas m_kappas;
  SampleDepth m_depth;
  std::optional<Settings> m_settings;
  std::optional<HalfEvenDivision> m_divide;
  bool m_inGroups = true;
};

} // namespace

std::unique_ptr<BandRule> sigmaClippedMeanRule(Kappas kappas, SampleDepth depth) {
  return std::make_unique<RejectionRule>(Method::SigmaClipping, kappas, depth);
}

std::unique_ptr<BandRule> winsorizedMeanRule(Kappas kappas, SampleDepth depth) {
  return std::make_unique<RejectionRule>(Method::Winsorized, kappas, depth);
}

} // namespace lumicomb
