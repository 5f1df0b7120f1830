// "Sharpest" by its default method: every frame split into bands of detail (a Laplacian pyramid
// of each channel); at every level and position the frame whose luma detail is strongest around
// it gives all three channels' coefficients, so colours do not shift; the coarsest level, which
// focus does not change, is the frames' mean. A median of the chosen frame's number over each
// 3 x 3 square then replaces isolated choices, and a second sweep fetches the coefficients that
// changed.
#include "fusion/focus_rules.h"

#include "fusion/frame_samples.h"
#include "fusion/pyramid.h"
#include "fusion/window_filters.h"

#include <array>
#include <cmath>
#include <vector>

namespace lumicomb {
namespace {

/// A choice the consistency step changed, whose coefficients the second sweep fetches.
constexpr uint16_t kPending = 0x8000;
constexpr uint16_t kFrameBits = 0x7fff;
/// The coarsest level's sums are kept in whole numbers of this fraction of a sample, so that
/// they do not depend on the order the frames come in.
constexpr double kSumUnit = 1.0 / (1 << 20);

class PyramidFocusWork : public FrameWork {
public:
  explicit PyramidFocusWork(const PyramidShape &shape)
      : channels{Pyramid(shape), Pyramid(shape), Pyramid(shape)}, activity(shape),
        squares(shape.size(0)) {}

  std::array<Pyramid, 3> channels;
  Pyramid activity; ///< the detail levels only
  std::vector<float> squares;
};

class PyramidFocusRule : public FrameRule {
public:
  PyramidFocusRule(const FocusParameters &parameters, SampleDepth depth)
      : m_parameters(parameters), m_depth(depth), m_luma(lumaWeights(depth)) {}

  int sweeps() const override { return m_parameters.consistency ? 2 : 1; }

  uint64_t sharedBytes(int, int64_t width, int64_t height) const override {
    const PyramidShape shape(width, height);
    return shape.samples() * (3 * sizeof(float) + sizeof(float) + sizeof(uint16_t)) +
           shape.size(0) * sizeof(uint16_t) + shape.size(shape.levels() - 1) * 3 * sizeof(int64_t);
  }

  uint64_t workBytes(int64_t width, int64_t height) const override {
    const PyramidShape shape(width, height);
    return shape.samples() * 4 * sizeof(float) + shape.size(0) * sizeof(float);
  }

  void begin(int frames, int64_t width, int64_t height) override {
    m_frames = frames;
    m_shape = PyramidShape(width, height);
    for (Pyramid &channel : m_fused)
      channel = Pyramid(m_shape);
    m_best.assign(m_shape.detailSamples(), -1.0f);
    m_choice.assign(m_shape.samples(), 0);
    for (std::vector<int64_t> &sums : m_topSums)
      sums.assign(m_shape.size(m_shape.levels() - 1), 0);
    m_pendingFrames.assign(static_cast<size_t>(frames), false);
  }

  std::unique_ptr<FrameWork> makeWork() const override {
    return std::make_unique<PyramidFocusWork>(m_shape);
  }

  bool wantsFrame(int sweep, int frame) const override {
    return sweep == 0 || m_pendingFrames[static_cast<size_t>(frame - 1)];
  }

  void read(int, FrameReader &rows, double gain, FrameWork &work) const override {
    auto &w = static_cast<PyramidFocusWork &>(work);
    readPlanes(rows, m_depth, m_shape.width(0), m_shape.height(0), gain,
               {w.channels[0].level(0), w.channels[1].level(0), w.channels[2].level(0)});
  }

  void prepare(int sweep, FrameWork &work) const override {
    auto &w = static_cast<PyramidFocusWork &>(work);
    if (sweep == 1) {
      // Few positions are fetched again: their detail is worked out where they are.
      for (Pyramid &channel : w.channels)
        makeGaussian(channel);
      return;
    }
    for (Pyramid &channel : w.channels)
      makeLaplacian(channel);
    measureActivity(w);
  }

  void merge(int sweep, int frame, const FrameWork &work, int part, int parts) override {
    const auto &w = static_cast<const PyramidFocusWork &>(work);
    const auto index = static_cast<uint16_t>(frame - 1);
    const int top = m_shape.levels() - 1;
    for (int l = 0; l < top; ++l) {
      const size_t begin = m_shape.offset(l) + rowStart(l, part, parts);
      const size_t end = m_shape.offset(l) + rowStart(l, part + 1, parts);
      if (sweep == 0)
        takeSharper(w, index, begin, end);
      else
        takePending(w, index, l, begin, end);
    }
    if (sweep == 0)
      addToTop(w, part, parts);
  }

  void endSweep(int sweep) override {
    if (sweep == 0) {
      settleTop();
      if (m_parameters.consistency)
        makeConsistent();
    }
    if (sweep + 1 == sweeps())
      for (Pyramid &channel : m_fused)
        collapse(channel);
  }

  void writeRow(int64_t y, uint8_t *out) const override {
    writePlaneRow({m_fused[0].data(), m_fused[1].data(), m_fused[2].data()}, m_shape.width(0), y,
                  m_depth, out);
  }

  bool evenExposure() const override { return true; }
  bool choosesFrames() const override { return true; }

  void chosenFrames(int64_t y, uint16_t *out) const override {
    const int64_t width = m_shape.width(0);
    const uint16_t *choice = m_choice.data() + y * width;
    for (int64_t x = 0; x < width; ++x)
      out[x] = static_cast<uint16_t>((choice[x] & kFrameBits) + 1);
  }

private:
  size_t rowStart(int level, int part, int parts) const {
    return static_cast<size_t>(m_shape.partRow(level, part, parts) * m_shape.width(level));
  }

  /// The squared luma coefficient summed over the activity window, at every detail level; each
  /// level adds the activity of the coarser one around it, so that where the levels agree on a
  /// frame they keep to it and a detail does not come from one frame and its outline from another.
  void measureActivity(PyramidFocusWork &w) const {
    const int detailLevels = m_shape.levels() - 1;
    for (int l = 0; l < detailLevels; ++l) {
      const float *c0 = w.channels[0].level(l);
      const float *c1 = w.channels[1].level(l);
      const float *c2 = w.channels[2].level(l);
      const size_t n = m_shape.size(l);
      for (size_t i = 0; i < n; ++i) {
        const float luma = m_luma[0] * c0[i] + m_luma[1] * c1[i] + m_luma[2] * c2[i];
        w.squares[i] = luma * luma;
      }
      windowSum(w.squares.data(), m_shape.width(l), m_shape.height(l), m_parameters.activityWindow,
                w.activity.level(l));
    }
    for (int l = detailLevels - 2; l >= 0; --l) {
      const int64_t width = m_shape.width(l);
      const int64_t coarseWidth = m_shape.width(l + 1);
      float *activity = w.activity.level(l);
      const float *coarse = w.activity.level(l + 1);
      for (int64_t y = 0; y < m_shape.height(l); ++y) {
        float *row = activity + y * width;
        const float *below = coarse + (y / 2) * coarseWidth;
        for (int64_t x = 0; x < width; ++x)
          row[x] += below[x / 2];
      }
    }
  }

  /// The strongest activity wins; of equal ones, the lower frame number, whatever the order.
  void takeSharper(const PyramidFocusWork &w, uint16_t index, size_t begin, size_t end) {
    const float *activity = w.activity.data();
    float *best = m_best.data();
    uint16_t *choice = m_choice.data();
    for (size_t i = begin; i < end; ++i) {
      const float a = activity[i];
      if (a > best[i] || (a == best[i] && index < choice[i])) {
        best[i] = a;
        choice[i] = index;
        for (int c = 0; c < 3; ++c)
          m_fused[static_cast<size_t>(c)].data()[i] = w.channels[static_cast<size_t>(c)].data()[i];
      }
    }
  }

  /// The detail of level l at the positions whose choice the consistency step changed to this
  /// frame, from its smoothed levels: as makeLaplacian would have made it there.
  void takePending(const PyramidFocusWork &w, uint16_t index, int l, size_t begin, size_t end) {
    const auto wanted = static_cast<uint16_t>(index | kPending);
    const size_t offset = m_shape.offset(l);
    const int64_t width = m_shape.width(l);
    for (size_t i = begin; i < end; ++i) {
      if (m_choice[i] != wanted)
        continue;
      const auto at = static_cast<int64_t>(i - offset);
      for (size_t c = 0; c < 3; ++c)
        m_fused[c].data()[i] =
            w.channels[c].data()[i] + -1.0f * expandedAt(w.channels[c].level(l + 1), width,
                                                         m_shape.height(l), at % width, at / width);
    }
  }

  void addToTop(const PyramidFocusWork &w, int part, int parts) {
    const int top = m_shape.levels() - 1;
    const size_t begin = rowStart(top, part, parts);
    const size_t end = rowStart(top, part + 1, parts);
    for (int c = 0; c < 3; ++c) {
      const float *from = w.channels[static_cast<size_t>(c)].level(top);
      std::vector<int64_t> &sums = m_topSums[static_cast<size_t>(c)];
      for (size_t i = begin; i < end; ++i)
        sums[i] += std::llrint(static_cast<double>(from[i]) / kSumUnit);
    }
  }

  void settleTop() {
    const int top = m_shape.levels() - 1;
    for (int c = 0; c < 3; ++c) {
      float *to = m_fused[static_cast<size_t>(c)].level(top);
      const std::vector<int64_t> &sums = m_topSums[static_cast<size_t>(c)];
      for (size_t i = 0; i < sums.size(); ++i)
        to[i] = static_cast<float>(static_cast<double>(sums[i]) * kSumUnit / m_frames);
    }
  }

  /// The median of the chosen frame over each 3 x 3 square at every detail level; where it
  /// differs from the choice, that frame is fetched again.
  void makeConsistent() {
    std::vector<uint16_t> median(m_shape.size(0));
    for (int l = 0; l + 1 < m_shape.levels(); ++l) {
      uint16_t *choice = m_choice.data() + m_shape.offset(l);
      median3x3(choice, m_shape.width(l), m_shape.height(l), median.data());
      for (size_t i = 0; i < m_shape.size(l); ++i)
        if (median[i] != choice[i]) {
          choice[i] = static_cast<uint16_t>(median[i] | kPending);
          m_pendingFrames[median[i]] = true;
        }
    }
  }

  FocusParameters m_parameters;
  SampleDepth m_depth;
  std::array<float, 3> m_luma;
  int m_frames = 0;
  PyramidShape m_shape;
  std::array<Pyramid, 3> m_fused;
  std::vector<float> m_best;
  std::vector<uint16_t> m_choice;
  std::array<std::vector<int64_t>, 3> m_topSums;
  std::vector<bool> m_pendingFrames;
};

} // namespace

std::unique_ptr<FrameRule> pyramidFocusRule(const FocusParameters &parameters, SampleDepth depth) {
  return std::make_unique<PyramidFocusRule>(parameters, depth);
}

} // namespace lumicomb
