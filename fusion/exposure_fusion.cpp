// "Exposure fusion": every pixel of every frame gets a weight for how well exposed it is (its
// brightness near the middle), how colourful and, if asked, how much contrast surrounds it. The
// first sweep adds the weights up; the second blends the frames' Laplacian pyramids under the
// Gaussian pyramids of their weights, each divided by that total, so that the seams between
// frames vanish into bands of detail. The sums are kept in whole numbers of small fractions, so
// that they do not depend on the order the frames come in.
#include "fusion/fusion_rules.h"

#include "fusion/frame_samples.h"
#include "fusion/pyramid.h"
#include "fusion/window_filters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace lumicomb {
namespace {

/// A weight in whole numbers of 2^-24: at most three whole weights fit 26 bits.
constexpr double kWeightUnits = 1 << 24;
/// Blended coefficients in whole numbers of 2^-14 of a sample: a level's coefficients lie within
/// the depth's range, and their weights add up to 1, so every partial sum fits 31 bits.
constexpr float kCoefficientUnits = 1 << 14;
/// The contrast is the standard deviation of the grey value over this square.
constexpr int kContrastWindow = 5;
/// The brightness a pixel is best exposed at, and how fast its weight falls away from it.
constexpr double kBestBrightness = 0.5;
constexpr double kBrightnessWidth = 0.2;

class ExposureFusionWork : public FrameWork {
public:
  explicit ExposureFusionWork(const PyramidShape &shape)
      : channels{Pyramid(shape), Pyramid(shape), Pyramid(shape)}, weight(shape) {}

  std::array<Pyramid, 3> channels;
  Pyramid weight;
  std::vector<uint32_t> units; ///< the weight of every pixel, in the first sweep
};

class ExposureFusionRule : public FrameRule {
public:
  ExposureFusionRule(const ExposureWeights &weights, SampleDepth depth)
      : m_weights(weights), m_depth(depth), m_high(sampleMaximum(depth)) {
    // The exposure weight of every sum of a pixel's three samples.
    const auto sums = static_cast<size_t>(3 * m_high) + 1;
    m_exposure.resize(sums);
    for (size_t sum = 0; sum < sums; ++sum) {
      const double away =
          (static_cast<double>(sum) / (3.0 * m_high) - kBestBrightness) / kBrightnessWidth;
      m_exposure[sum] = m_weights.exposure * std::exp(-0.5 * away * away);
    }
  }

  int sweeps() const override { return 2; }

  uint64_t sharedBytes(int, int64_t width, int64_t height) const override {
    const PyramidShape shape(width, height);
    return shape.size(0) * sizeof(uint64_t) + shape.samples() * 3 * sizeof(int32_t) +
           shape.samples() * sizeof(float);
  }

  uint64_t workBytes(int64_t width, int64_t height) const override {
    const PyramidShape shape(width, height);
    const uint64_t contrast = m_weights.contrast > 0 ? 2 * sizeof(double) : 0;
    return shape.samples() * 4 * sizeof(float) +
           shape.size(0) * (sizeof(uint32_t) + contrast + sizeof(float));
  }

  void begin(int frames, int64_t width, int64_t height) override {
    m_frames = frames;
    m_shape = PyramidShape(width, height);
    m_total.assign(m_shape.size(0), 0);
    for (std::vector<int32_t> &channel : m_blend)
      channel.assign(m_shape.samples(), 0);
  }

  std::unique_ptr<FrameWork> makeWork() const override {
    return std::make_unique<ExposureFusionWork>(m_shape);
  }

  void read(int, FrameReader &rows, double gain, FrameWork &work) const override {
    auto &w = static_cast<ExposureFusionWork &>(work);
    readPlanes(rows, m_depth, m_shape.width(0), m_shape.height(0), gain,
               {w.channels[0].level(0), w.channels[1].level(0), w.channels[2].level(0)});
  }

  void prepare(int sweep, FrameWork &work) const override {
    auto &w = static_cast<ExposureFusionWork &>(work);
    w.units.resize(m_shape.size(0));
    weigh(w);
    if (sweep == 0)
      return;
    float *normalised = w.weight.level(0);
    const float share = 1.0f / static_cast<float>(m_frames);
    for (size_t i = 0; i < w.units.size(); ++i)
      normalised[i] = m_total[i] > 0 ? static_cast<float>(static_cast<double>(w.units[i]) /
                                                          static_cast<double>(m_total[i]))
                                     : share;
    makeGaussian(w.weight);
    for (Pyramid &channel : w.channels)
      makeLaplacian(channel);
  }

  void merge(int sweep, int, const FrameWork &work, int part, int parts) override {
    const auto &w = static_cast<const ExposureFusionWork &>(work);
    if (sweep == 0) {
      const size_t begin = rowStart(0, part, parts);
      const size_t end = rowStart(0, part + 1, parts);
      for (size_t i = begin; i < end; ++i)
        m_total[i] += w.units[i];
      return;
    }
    for (int l = 0; l < m_shape.levels(); ++l) {
      const size_t begin = m_shape.offset(l) + rowStart(l, part, parts);
      const size_t end = m_shape.offset(l) + rowStart(l, part + 1, parts);
      const float *weight = w.weight.data();
      for (int c = 0; c < 3; ++c) {
        const float *coefficient = w.channels[static_cast<size_t>(c)].data();
        int32_t *sum = m_blend[static_cast<size_t>(c)].data();
        for (size_t i = begin; i < end; ++i)
          sum[i] +=
              static_cast<int32_t>(std::lrint(weight[i] * coefficient[i] * kCoefficientUnits));
      }
    }
  }

  void endSweep(int sweep) override {
    if (sweep == 0)
      return;
    m_total = {};
    for (size_t c = 0; c < 3; ++c) {
      m_result[c] = Pyramid(m_shape);
      float *to = m_result[c].data();
      for (size_t i = 0; i < m_shape.samples(); ++i)
        to[i] = static_cast<float>(m_blend[c][i]) / kCoefficientUnits;
      m_blend[c] = {};
      collapse(m_result[c]);
    }
  }

  void writeRow(int64_t y, uint8_t *out) const override {
    writePlaneRow({m_result[0].data(), m_result[1].data(), m_result[2].data()}, m_shape.width(0), y,
                  m_depth, out);
  }

private:
  size_t rowStart(int level, int part, int parts) const {
    return static_cast<size_t>(m_shape.partRow(level, part, parts) * m_shape.width(level));
  }

  /// Every pixel's weight, in whole units, from the frame's samples at level 0.
  void weigh(ExposureFusionWork &w) const {
    const size_t pixels = m_shape.size(0);
    const float *c0 = w.channels[0].level(0);
    const float *c1 = w.channels[1].level(0);
    const float *c2 = w.channels[2].level(0);
    std::vector<double> contrast;
    if (m_weights.contrast > 0)
      contrast = localContrast(c0, c1, c2);
    const double high = m_high;
    for (size_t i = 0; i < pixels; ++i) {
      const double a = c0[i], b = c1[i], c = c2[i];
      // The samples are whole numbers: the frame is read without a gain.
      double weight = m_exposure[static_cast<size_t>(a + b + c)];
      if (m_weights.saturation > 0) {
        const double most = std::max({a, b, c});
        const double least = std::min({a, b, c});
        const double sum = most + least;
        if (most > least)
          weight += m_weights.saturation * (most - least) / (sum <= high ? sum : 2 * high - sum);
      }
      if (m_weights.contrast > 0)
        weight += m_weights.contrast * contrast[i] / high;
      w.units[i] = static_cast<uint32_t>(std::llrint(weight * kWeightUnits));
    }
  }

  /// The standard deviation of the pixels' grey values (the mean of their channels) over the
  /// square around each.
  std::vector<double> localContrast(const float *c0, const float *c1, const float *c2) const {
    const int64_t width = m_shape.width(0);
    const int64_t height = m_shape.height(0);
    const size_t pixels = m_shape.size(0);
    std::vector<double> grey(pixels);
    std::vector<double> squares(pixels);
    for (size_t i = 0; i < pixels; ++i) {
      grey[i] = (static_cast<double>(c0[i]) + c1[i] + c2[i]) / 3;
      squares[i] = grey[i] * grey[i];
    }
    std::vector<double> sums(pixels);
    windowSum(grey.data(), width, height, kContrastWindow, sums.data());
    windowSum(squares.data(), width, height, kContrastWindow, grey.data());
    constexpr double n = kContrastWindow * kContrastWindow;
    for (size_t i = 0; i < pixels; ++i)
      sums[i] = std::sqrt(std::max(0.0, (grey[i] - sums[i] * sums[i] / n) / (n - 1)));
    return sums;
  }

  ExposureWeights m_weights;
  SampleDepth m_depth;
  float m_high;
  std::vector<double> m_exposure;
  int m_frames = 0;
  PyramidShape m_shape;
  std::vector<uint64_t> m_total;
  std::array<std::vector<int32_t>, 3> m_blend;
  std::array<Pyramid, 3> m_result;
};

} // namespace

std::unique_ptr<FrameRule> exposureFusionRule(const ExposureWeights &weights, SampleDepth depth) {
  return std::make_unique<ExposureFusionRule>(weights, depth);
}

} // namespace lumicomb
