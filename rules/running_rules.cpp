#include "rules/running_rule.h"

#include "base/large_buffer.h"
#include "base/numbers.h"
#include "rules/comet_trails.h"
#include "rules/half_even_division.h"
#include "rules/rule_registry.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace lumicomb {
namespace {

/// "Average" and "Sum and divide by": totals of the images so far, or of the last `window`,
/// whose leaving image is taken back out of a ring of the last `window` images.
template <typename Sample> class RunningTotals : public RunningRule {
public:
  RunningTotals(std::optional<int> divisor, int window) : m_divisor(divisor), m_window(window) {}

  void begin(int64_t width, int64_t height) override {
    m_rowLength = 3 * width;
    m_plane = static_cast<size_t>(m_rowLength * height);
    m_totals = LargePlane<uint32_t>(m_plane);
    if (m_window > 0)
      m_ring = LargePlane<Sample>(m_plane * static_cast<size_t>(m_window));
  }

  uint64_t workingBytes(int64_t width, int64_t height) const override {
    const auto samples = 3 * static_cast<uint64_t>(width * height);
    return samples * (sizeof(uint32_t) + sizeof(Sample) * static_cast<uint64_t>(m_window));
  }

  void beginImage(int k) override { m_images = k; }

  void add(int k, int64_t y, const uint8_t *bytes) override {
    const Sample *__restrict samples = reinterpret_cast<const Sample *>(bytes);
    uint32_t *__restrict totals = m_totals.data() + y * m_rowLength;
    const int64_t length = m_rowLength;
    if (m_window == 0) {
      for (int64_t i = 0; i < length; ++i)
        totals[i] += samples[i];
      return;
    }
    // Slot k - 1 (mod window) holds image k - window, which leaves as image k comes.
    Sample *__restrict slot = m_ring.data() + static_cast<size_t>((k - 1) % m_window) * m_plane +
                              static_cast<size_t>(y * length);
    for (int64_t i = 0; i < length; ++i) {
      totals[i] = totals[i] - slot[i] + samples[i];
      slot[i] = samples[i];
    }
  }

  void reduce(int64_t y, uint8_t *bytes) const override {
    const int images = m_window > 0 ? std::min(m_images, m_window) : m_images;
    const HalfEvenDivision divide(static_cast<uint32_t>(m_divisor.value_or(std::max(images, 1))));
    const uint32_t *__restrict totals = m_totals.data() + y * m_rowLength;
    Sample *__restrict out = reinterpret_cast<Sample *>(bytes);
    constexpr uint32_t kLargest = std::numeric_limits<Sample>::max();
    for (int64_t i = 0; i < m_rowLength; ++i)
      out[i] = static_cast<Sample>(std::min(divide(totals[i]), kLargest));
  }

private:
  std::optional<int> m_divisor;
  int m_window;
  int m_images = 0;
  int64_t m_rowLength = 0;
  size_t m_plane = 0;
  LargePlane<uint32_t> m_totals;
  LargePlane<Sample> m_ring;
};

/// "Brightest" and "Darkest". Over a window of K images, the images come in blocks of K: each
/// slot holds an image of the current block, and at a block's end the slots turn into the
/// extremes of each image onward to the block's end (van Herk, Gil and Werman), so the window
/// of any step is one of those and the extreme of the new block so far.
template <typename Sample, bool kLargest> class RunningExtreme : public RunningRule {
public:
  explicit RunningExtreme(int window) : m_window(window) {}

  static Sample keep(Sample a, Sample b) { return kLargest ? std::max(a, b) : std::min(a, b); }

  void begin(int64_t width, int64_t height) override {
    m_rowLength = 3 * width;
    m_plane = static_cast<size_t>(m_rowLength * height);
    m_sofar = LargePlane<Sample>(m_plane);
    fill(m_sofar.data());
    if (m_window > 0)
      m_slots = LargePlane<Sample>(m_plane * static_cast<size_t>(m_window));
  }

  uint64_t workingBytes(int64_t width, int64_t height) const override {
    return sizeof(Sample) * 3 * static_cast<uint64_t>(width * height) *
           static_cast<uint64_t>(1 + m_window);
  }

  void beginImage(int k) override {
    m_images = k;
    if (m_window == 0)
      return;
    const int offset = (k - 1) % m_window;
    if (offset == 0 && k > 1) {
      for (int t = m_window - 2; t >= 0; --t) {
        Sample *__restrict onward = slot(t);
        const Sample *__restrict after = slot(t + 1);
        for (size_t i = 0; i < m_plane; ++i)
          onward[i] = keep(onward[i], after[i]);
      }
    }
    if (offset == 0)
      fill(m_sofar.data());
    fill(slot(offset));
  }

  void add(int k, int64_t y, const uint8_t *bytes) override {
    const Sample *__restrict samples = reinterpret_cast<const Sample *>(bytes);
    const int64_t length = m_rowLength;
    Sample *__restrict sofar = m_sofar.data() + y * length;
    for (int64_t i = 0; i < length; ++i)
      sofar[i] = keep(sofar[i], samples[i]);
    if (m_window > 0) {
      Sample *__restrict image = slot((k - 1) % m_window) + y * length;
      for (int64_t i = 0; i < length; ++i)
        image[i] = keep(image[i], samples[i]);
    }
  }

  void reduce(int64_t y, uint8_t *bytes) const override {
    Sample *__restrict out = reinterpret_cast<Sample *>(bytes);
    const Sample *__restrict sofar = m_sofar.data() + y * m_rowLength;
    const int offset = m_window > 0 ? (m_images - 1) % m_window : 0;
    if (m_window == 0 || m_images <= m_window || offset == m_window - 1) {
      std::memcpy(out, sofar, static_cast<size_t>(m_rowLength) * sizeof(Sample));
      return;
    }
    const Sample *__restrict earlier = slot(offset + 1) + y * m_rowLength;
    for (int64_t i = 0; i < m_rowLength; ++i)
      out[i] = keep(earlier[i], sofar[i]);
  }

private:
  void fill(Sample *plane) {
    std::fill_n(plane, m_plane, kLargest ? Sample{0} : std::numeric_limits<Sample>::max());
  }
  Sample *slot(int t) { return m_slots.data() + static_cast<size_t>(t) * m_plane; }
  const Sample *slot(int t) const { return m_slots.data() + static_cast<size_t>(t) * m_plane; }

  int m_window;
  int m_images = 0;
  int64_t m_rowLength = 0;
  size_t m_plane = 0;
  LargePlane<Sample> m_sofar; ///< the extreme of the current block (of every image, without one)
  LargePlane<Sample> m_slots;
};

/// "Comet trails" at every step: which image would win at a position does not depend on the
/// step (every faded value scales alike as the next image comes), so each sample keeps its
/// winning image and value, and a step fades the value by the winner's age then.
template <typename Sample> class RunningComet : public RunningRule {
public:
  explicit RunningComet(double halfLife) : m_halfLife(halfLife) {}

  void begin(int64_t width, int64_t height) override {
    m_rowLength = 3 * width;
    const auto samples = static_cast<size_t>(m_rowLength * height);
    m_winners = LargePlane<uint16_t>(samples);
    m_values = LargePlane<Sample>(samples);
    m_weights.clear();
  }

  uint64_t workingBytes(int64_t width, int64_t height) const override {
    return (sizeof(uint16_t) + sizeof(Sample)) * 3 * static_cast<uint64_t>(width * height);
  }

  void beginImage(int k) override {
    m_images = k;
    while (static_cast<int>(m_weights.size()) <= k)
      m_weights.push_back(cometWeight(static_cast<int64_t>(m_weights.size()), m_halfLife));
  }

  void add(int k, int64_t y, const uint8_t *bytes) override {
    const Sample *__restrict samples = reinterpret_cast<const Sample *>(bytes);
    uint16_t *__restrict winners = m_winners.data() + y * m_rowLength;
    Sample *__restrict values = m_values.data() + y * m_rowLength;
    const double *weights = m_weights.data();
    for (int64_t i = 0; i < m_rowLength; ++i) {
      const int kept = winners[i];
      const double candidate = samples[i], held = values[i];
      // Compared as both would be faded at the later image's step.
      const bool wins =
          kept <= k ? candidate > held * weights[k - kept] : candidate * weights[kept - k] > held;
      if (wins) {
        winners[i] = static_cast<uint16_t>(k);
        values[i] = samples[i];
      }
    }
  }

  void reduce(int64_t y, uint8_t *bytes) const override {
    Sample *__restrict out = reinterpret_cast<Sample *>(bytes);
    const uint16_t *__restrict winners = m_winners.data() + y * m_rowLength;
    const Sample *__restrict values = m_values.data() + y * m_rowLength;
    for (int64_t i = 0; i < m_rowLength; ++i)
      out[i] = static_cast<Sample>(
          roundHalfEvenSmall(m_weights[static_cast<size_t>(m_images - winners[i])] * values[i]));
  }

private:
  double m_halfLife;
  int m_images = 0;
  int64_t m_rowLength = 0;
  LargePlane<uint16_t> m_winners; ///< 0 while no image has lit the sample
  LargePlane<Sample> m_values;
  std::vector<double> m_weights; ///< by age
};

template <template <typename> class Rule, typename... Arguments>
std::unique_ptr<RunningRule> atDepth(SampleDepth depth, Arguments... arguments) {
  if (depth == SampleDepth::Sixteen)
    return std::make_unique<Rule<uint16_t>>(arguments...);
  return std::make_unique<Rule<uint8_t>>(arguments...);
}

template <typename Sample> using Brightest = RunningExtreme<Sample, true>;
template <typename Sample> using Darkest = RunningExtreme<Sample, false>;

} // namespace

std::unique_ptr<RunningRule> makeRunningRule(const RuleDescription &rule,
                                             const RuleParameters &parameters, SampleDepth depth,
                                             int window) {
  const std::string name = rule.commandName;
  if (name == "average")
    return atDepth<RunningTotals>(depth, std::optional<int>(), window);
  if (name == "brightest")
    return atDepth<Brightest>(depth, window);
  if (name == "darkest")
    return atDepth<Darkest>(depth, window);
  if (window > 0)
    return nullptr;
  if (name == "sum-and-divide")
    return atDepth<RunningTotals>(depth, std::optional<int>(parameters.divisor), 0);
  if (name == "comet")
    return atDepth<RunningComet>(depth, parameters.halfLife);
  return nullptr;
}

std::string runningRulesRefusal() {
  return "a time-lapse is made with \"Average\", \"Sum and divide by\", \"Brightest\", "
         "\"Darkest\" or \"Comet trails\" only";
}

std::string windowRulesRefusal() {
  return "a moving window is made with \"Brightest\", \"Darkest\" or \"Average\" only";
}

} // namespace lumicomb
