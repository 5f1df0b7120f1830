// "Sharpest" by depth map: the first sweep measures every frame's focus at each position (the
// finest band of its luma, squared and summed over the activity window) and keeps the frame
// where it peaks, trusted by how far the peak stands above the weakest frame. Smoothing the
// trusted frame numbers gives a depth index between frames, which textureless parts take from
// their surroundings; the second sweep blends each position from the two frames nearest its
// index. Noise is averaged rather than picked, at the cost of a softer edge where depth jumps.
#include "fusion/focus_rules.h"

#include "fusion/frame_samples.h"
#include "fusion/pyramid.h"
#include "fusion/window_filters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace lumicomb {
namespace {

/// The depth index is smoothed down and up this many levels of a pyramid, about as far as a
/// Gaussian of 8 pixels reaches.
constexpr int kSmoothingLevels = 3;

class DepthMapWork : public FrameWork {
public:
  DepthMapWork(int64_t width, int64_t height)
      : channels{std::vector<float>(size(width, height)), std::vector<float>(size(width, height)),
                 std::vector<float>(size(width, height))},
        luma(PyramidShape(width, height)), squares(size(width, height)),
        measure(size(width, height)) {}

  static size_t size(int64_t width, int64_t height) { return static_cast<size_t>(width * height); }

  std::array<std::vector<float>, 3> channels;
  Pyramid luma;
  std::vector<float> squares;
  std::vector<float> measure;
};

/// The plane smoothed by reducing it `levels` times and expanding it back.
void smooth(std::vector<float> &plane, int64_t width, int64_t height, int levels) {
  Pyramid pyramid{PyramidShape(width, height)};
  std::copy(plane.begin(), plane.end(), pyramid.level(0));
  const PyramidShape &shape = pyramid.shape();
  const int deepest = std::min(levels, shape.levels() - 1);
  for (int l = 0; l < deepest; ++l)
    reduceLevel(pyramid.level(l), shape.width(l), shape.height(l), pyramid.level(l + 1));
  for (int l = deepest - 1; l >= 0; --l) {
    std::fill(pyramid.level(l), pyramid.level(l) + shape.size(l), 0.0f);
    addExpanded(pyramid.level(l + 1), pyramid.level(l), shape.width(l), shape.height(l), 1.0f);
  }
  std::copy(pyramid.level(0), pyramid.level(0) + shape.size(0), plane.begin());
}

class DepthMapFocusRule : public FrameRule {
public:
  DepthMapFocusRule(const FocusParameters &parameters, SampleDepth depth)
      : m_parameters(parameters), m_depth(depth), m_luma(lumaWeights(depth)) {}

  int sweeps() const override { return 2; }

  uint64_t sharedBytes(int, int64_t width, int64_t height) const override {
    // The peak, the weakest, the frame, the depth and the three blended channels; the smoothing
    // holds a pyramid of one plane at the end of the first sweep.
    const auto pixels = static_cast<uint64_t>(width * height);
    return pixels * (6 * sizeof(float) + sizeof(uint16_t)) +
           PyramidShape(width, height).samples() * sizeof(float);
  }

  uint64_t workBytes(int64_t width, int64_t height) const override {
    const auto pixels = static_cast<uint64_t>(width * height);
    return pixels * 5 * sizeof(float) + PyramidShape(width, height).samples() * sizeof(float);
  }

  void begin(int frames, int64_t width, int64_t height) override {
    m_frames = frames;
    m_width = width;
    m_height = height;
    const size_t pixels = DepthMapWork::size(width, height);
    m_peak.assign(pixels, -1.0f);
    m_weakest.assign(pixels, INFINITY);
    m_frame.assign(pixels, 0);
    m_wanted.assign(static_cast<size_t>(frames), false);
  }

  std::unique_ptr<FrameWork> makeWork() const override {
    return std::make_unique<DepthMapWork>(m_width, m_height);
  }

  bool wantsFrame(int sweep, int frame) const override {
    return sweep == 0 || m_wanted[static_cast<size_t>(frame - 1)];
  }

  void read(int, FrameReader &rows, double gain, FrameWork &work) const override {
    auto &w = static_cast<DepthMapWork &>(work);
    readPlanes(rows, m_depth, m_width, m_height, gain,
               {w.channels[0].data(), w.channels[1].data(), w.channels[2].data()});
  }

  void prepare(int sweep, FrameWork &work) const override {
    if (sweep == 0)
      measureFocus(static_cast<DepthMapWork &>(work));
  }

  void merge(int sweep, int frame, const FrameWork &work, int part, int parts) override {
    const auto &w = static_cast<const DepthMapWork &>(work);
    const auto begin = static_cast<size_t>(m_height * part / parts * m_width);
    const auto end = static_cast<size_t>(m_height * (part + 1) / parts * m_width);
    const auto index = static_cast<uint16_t>(frame - 1);
    if (sweep == 0) {
      for (size_t i = begin; i < end; ++i) {
        const float m = w.measure[i];
        if (m > m_peak[i] || (m == m_peak[i] && index < m_frame[i])) {
          m_peak[i] = m;
          m_frame[i] = index;
        }
        m_weakest[i] = std::min(m_weakest[i], m);
      }
      return;
    }
    for (size_t i = begin; i < end; ++i) {
      const auto [nearer, further, share] = neighbours(m_depthIndex[i]);
      const float weight = (nearer == index ? 1 - share : 0.0f) + (further == index ? share : 0.0f);
      if (weight != 0)
        for (int c = 0; c < 3; ++c)
          m_blend[static_cast<size_t>(c)][i] += weight * w.channels[static_cast<size_t>(c)][i];
    }
  }

  void endSweep(int sweep) override {
    if (sweep == 0)
      settleDepth();
  }

  void writeRow(int64_t y, uint8_t *out) const override {
    writePlaneRow({m_blend[0].data(), m_blend[1].data(), m_blend[2].data()}, m_width, y, m_depth,
                  out);
  }

  bool evenExposure() const override { return true; }
  bool choosesFrames() const override { return true; }

  void chosenFrames(int64_t y, uint16_t *out) const override {
    for (int64_t x = 0; x < m_width; ++x) {
      const auto [nearer, further, share] = neighbours(m_depthIndex[y * m_width + x]);
      out[x] = static_cast<uint16_t>((share < 0.5f ? nearer : further) + 1);
    }
  }

private:
  struct Neighbours {
    uint16_t nearer;
    uint16_t further;
    float share; ///< of the further frame
  };

  Neighbours neighbours(float depthIndex) const {
    const auto nearer = static_cast<uint16_t>(depthIndex);
    const auto further = static_cast<uint16_t>(std::min<int>(nearer + 1, m_frames - 1));
    return {nearer, further, depthIndex - static_cast<float>(nearer)};
  }

  void measureFocus(DepthMapWork &w) const {
    const PyramidShape &shape = w.luma.shape();
    float *luma = w.luma.level(0);
    for (size_t i = 0; i < shape.size(0); ++i)
      luma[i] = m_luma[0] * w.channels[0][i] + m_luma[1] * w.channels[1][i] +
                m_luma[2] * w.channels[2][i];
    if (shape.levels() > 1) {
      reduceLevel(luma, m_width, m_height, w.luma.level(1));
      addExpanded(w.luma.level(1), luma, m_width, m_height, -1.0f);
    }
    for (size_t i = 0; i < shape.size(0); ++i)
      w.squares[i] = luma[i] * luma[i];
    windowSum(w.squares.data(), m_width, m_height, m_parameters.activityWindow, w.measure.data());
  }

  /// The frame numbers weighed by how far each peak stands out, smoothed; then which frames the
  /// blend needs.
  void settleDepth() {
    std::vector<float> trust(m_peak.size());
    std::vector<float> weighted(m_peak.size());
    for (size_t i = 0; i < trust.size(); ++i) {
      trust[i] = m_peak[i] - m_weakest[i];
      weighted[i] = trust[i] * m_frame[i];
    }
    m_peak = {};
    m_weakest = {};
    smooth(trust, m_width, m_height, kSmoothingLevels);
    smooth(weighted, m_width, m_height, kSmoothingLevels);
    m_depthIndex.resize(trust.size());
    const auto deepest = static_cast<float>(m_frames - 1);
    for (size_t i = 0; i < trust.size(); ++i) {
      // Where no frame shows any detail, the frame chosen there stands.
      const float depth = trust[i] > 0 ? weighted[i] / trust[i] : m_frame[i];
      m_depthIndex[i] = std::clamp(depth, 0.0f, deepest);
      const Neighbours n = neighbours(m_depthIndex[i]);
      m_wanted[n.nearer] = m_wanted[n.nearer] || n.share < 1;
      m_wanted[n.further] = m_wanted[n.further] || n.share > 0;
    }
    for (std::vector<float> &channel : m_blend)
      channel.assign(trust.size(), 0.0f);
  }

  FocusParameters m_parameters;
  SampleDepth m_depth;
  std::array<float, 3> m_luma;
  int m_frames = 0;
  int64_t m_width = 0;
  int64_t m_height = 0;
  std::vector<float> m_peak;
  std::vector<float> m_weakest;
  std::vector<uint16_t> m_frame;
  std::vector<float> m_depthIndex;
  std::array<std::vector<float>, 3> m_blend;
  std::vector<bool> m_wanted;
};

} // namespace

std::unique_ptr<FrameRule> depthMapFocusRule(const FocusParameters &parameters, SampleDepth depth) {
  return std::make_unique<DepthMapFocusRule>(parameters, depth);
}

} // namespace lumicomb
