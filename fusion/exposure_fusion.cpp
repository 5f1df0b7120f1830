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
#include <bit>
#include <cmath>
#include <vector>

namespace lumicomb {
namespace {

/// A weight in whole numbers of 2^-24: at most three whole weights fit 26 bits.
constexpr float kWeightUnits = 1 << 24;
/// Blended coefficients are summed in whole numbers of a fraction of a sample that keeps every
/// product of a weight (at most 1) and a coefficient (within the depth's range) below 2^22, where
/// the rounding below is exact: 2^-14 of an 8-bit sample, 2^-6 of a 16-bit one. Weights add up to
/// 1, so every partial sum fits too.
constexpr float kMostUnits = 1 << 22;
/// Adding and taking away 1.5 * 2^23 leaves a float of magnitude below 2^22 rounded to a whole
/// number, halves to even, in a way the compiler can do many at once.
constexpr float kRounder = 12582912.0f;
/// The contrast is the standard deviation of the grey value over this square.
constexpr int kContrastWindow = 5;
/// The brightness a pixel is best exposed at, and how fast its weight falls away from it.
constexpr double kBestBrightness = 0.5;
constexpr double kBrightnessWidth = 0.2;

class ExposureFusionWork : public FrameWork {
public:
  explicit ExposureFusionWork(const PyramidShape &shape)
      : channels{Pyramid(shape), Pyramid(shape), Pyramid(shape)}, weight(shape) {}

  std::array<Pyramid, 3> channels; ///< the second sweep's
  /// Level 0: each pixel's weight, whose whole units (weightUnits) are what is summed; in the
  /// second sweep then the frame's shares, smoothed into the levels above.
  Pyramid weight;
};

/// A weight in whole units, as the totals add it up.
uint32_t weightUnits(float weight) {
  return static_cast<uint32_t>(std::lrint(weight * kWeightUnits));
}

class ExposureFusionRule : public FrameRule {
public:
  ExposureFusionRule(const ExposureWeights &weights, SampleDepth depth)
      : m_weights(weights), m_depth(depth), m_high(sampleMaximum(depth)),
        m_units(kMostUnits / (depth == SampleDepth::Sixteen ? 65536.0f : 256.0f)) {
    // The exposure weight of every sum of a pixel's three samples.
    const auto sums = static_cast<size_t>(3 * m_high) + 1;
    m_exposure.resize(sums);
    for (size_t sum = 0; sum < sums; ++sum) {
      const double away =
          (static_cast<double>(sum) / (3.0 * m_high) - kBestBrightness) / kBrightnessWidth;
      m_exposure[sum] = static_cast<float>(m_weights.exposure * std::exp(-0.5 * away * away));
    }
  }

  int sweeps() const override { return 2; }

  uint64_t sharedBytes(int, int64_t width, int64_t height) const override {
    // The totals (8 bytes a pixel) in the first sweep; then their inverses (4) and the blend,
    // which becomes the result.
    const PyramidShape shape(width, height);
    return shape.size(0) * sizeof(float) + shape.samples() * 3 * sizeof(int32_t);
  }

  uint64_t workBytes(int64_t width, int64_t height) const override {
    const PyramidShape shape(width, height);
    const uint64_t contrast = m_weights.contrast > 0 ? 3 * sizeof(double) : 0;
    return shape.samples() * 4 * sizeof(float) + shape.size(0) * contrast;
  }

  void begin(int frames, int64_t width, int64_t height) override {
    m_frames = frames;
    m_shape = PyramidShape(width, height);
    m_total.assign(m_shape.size(0), 0);
  }

  std::unique_ptr<FrameWork> makeWork() const override {
    return std::make_unique<ExposureFusionWork>(m_shape);
  }

  void read(int, FrameReader &rows, double gain, FrameWork &work) const override {
    auto &w = static_cast<ExposureFusionWork &>(work);
    readPlanes(rows, m_depth, m_shape.width(0), m_shape.height(0), gain,
               {w.channels[0].level(0), w.channels[1].level(0), w.channels[2].level(0)});
    weigh(w);
  }

  void prepare(int sweep, FrameWork &work) const override {
    auto &w = static_cast<ExposureFusionWork &>(work);
    if (m_weights.contrast > 0)
      addContrast(w);
    if (sweep == 0)
      return;
    float *share = w.weight.level(0);
    const float even = 1.0f / static_cast<float>(m_frames);
    for (size_t i = 0; i < m_shape.size(0); ++i)
      share[i] = m_inverse[i] > 0 ? static_cast<float>(weightUnits(share[i])) * m_inverse[i] : even;
    makeGaussian(w.weight);
    for (Pyramid &channel : w.channels)
      makeLaplacian(channel);
  }

  void merge(int sweep, int, const FrameWork &work, int part, int parts) override {
    const auto &w = static_cast<const ExposureFusionWork &>(work);
    if (sweep == 0) {
      const size_t begin = rowStart(0, part, parts);
      const size_t end = rowStart(0, part + 1, parts);
      const float *weight = w.weight.data();
      for (size_t i = begin; i < end; ++i)
        m_total[i] += weightUnits(weight[i]);
      return;
    }
    for (int l = 0; l < m_shape.levels(); ++l) {
      const size_t begin = m_shape.offset(l) + rowStart(l, part, parts);
      const size_t end = m_shape.offset(l) + rowStart(l, part + 1, parts);
      const float *weight = w.weight.data();
      for (int c = 0; c < 3; ++c) {
        const float *coefficient = w.channels[static_cast<size_t>(c)].data();
        float *sum = m_planes[static_cast<size_t>(c)].data();
        for (size_t i = begin; i < end; ++i)
          sum[i] = std::bit_cast<float>(
              std::bit_cast<int32_t>(sum[i]) +
              static_cast<int32_t>((weight[i] * coefficient[i] * m_units + kRounder) - kRounder));
      }
    }
  }

  void endSweep(int sweep) override {
    if (sweep == 0) {
      // Each frame's share of a pixel is its weight times the total's inverse, 0 where every
      // frame weighs nothing there (they then share evenly).
      m_inverse.resize(m_total.size());
      for (size_t i = 0; i < m_total.size(); ++i)
        m_inverse[i] =
            m_total[i] > 0 ? static_cast<float>(1.0 / static_cast<double>(m_total[i])) : 0.0f;
      m_total = {};
      for (Pyramid &plane : m_planes) {
        plane = Pyramid(m_shape);
        std::fill_n(plane.data(), m_shape.samples(), std::bit_cast<float>(int32_t{0}));
      }
      return;
    }
    m_inverse = {};
    // Each sum becomes the coefficient it stands for where it is, and the pyramid the result.
    for (Pyramid &plane : m_planes) {
      float *sum = plane.data();
      for (size_t i = 0; i < m_shape.samples(); ++i)
        sum[i] = static_cast<float>(std::bit_cast<int32_t>(sum[i])) / m_units;
      collapse(plane);
    }
  }

  void writeRow(int64_t y, uint8_t *out) const override {
    writePlaneRow({m_planes[0].data(), m_planes[1].data(), m_planes[2].data()}, m_shape.width(0), y,
                  m_depth, out);
  }

private:
  size_t rowStart(int level, int part, int parts) const {
    return static_cast<size_t>(m_shape.partRow(level, part, parts) * m_shape.width(level));
  }

  /// Every pixel's weight but for contrast: its exposure and its saturation (as in HSL), from
  /// the frame's samples at level 0. The table look-up stands in a loop of its own, so that the
  /// others run many pixels at once.
  void weigh(ExposureFusionWork &w) const {
    const float *c0 = w.channels[0].level(0);
    const float *c1 = w.channels[1].level(0);
    const float *c2 = w.channels[2].level(0);
    float *weight = w.weight.level(0);
    const size_t pixels = m_shape.size(0);
    for (size_t i = 0; i < pixels; ++i)
      weight[i] = c0[i] + c1[i] + c2[i];
    for (size_t i = 0; i < pixels; ++i)
      weight[i] = m_exposure[static_cast<size_t>(weight[i])];
    if (m_weights.saturation <= 0)
      return;
    const auto saturation = static_cast<float>(m_weights.saturation);
    const float high = m_high;
    for (size_t i = 0; i < pixels; ++i) {
      const float larger = c0[i] > c1[i] ? c0[i] : c1[i];
      const float smaller = c0[i] > c1[i] ? c1[i] : c0[i];
      const float most = larger > c2[i] ? larger : c2[i];
      const float least = smaller < c2[i] ? smaller : c2[i];
      // Divided by the sum where the lightness is at most half, else by what the sum lacks of
      // twice the top; an even grey has no saturation, whatever the divisor.
      const float divisor = high - std::fabs(most + least - high);
      weight[i] += saturation * (most - least) / (divisor > 1.0f ? divisor : 1.0f);
    }
  }

  /// Adds to every pixel's weight the contrast around it.
  void addContrast(ExposureFusionWork &w) const {
    float *weight = w.weight.level(0);
    const std::vector<double> contrast = localContrast(w);
    for (size_t i = 0; i < contrast.size(); ++i)
      weight[i] += static_cast<float>(m_weights.contrast * contrast[i] / m_high);
  }

  /// The standard deviation of the grey values (the mean of the channels) over the square around
  /// each pixel.
  std::vector<double> localContrast(const ExposureFusionWork &w) const {
    const int64_t width = m_shape.width(0);
    const int64_t height = m_shape.height(0);
    const float *c0 = w.channels[0].level(0);
    const float *c1 = w.channels[1].level(0);
    const float *c2 = w.channels[2].level(0);
    std::vector<double> values(m_shape.size(0));
    for (size_t i = 0; i < values.size(); ++i)
      values[i] = static_cast<double>(c0[i] + c1[i] + c2[i]) / 3;
    std::vector<double> squares(values.size());
    for (size_t i = 0; i < values.size(); ++i)
      squares[i] = values[i] * values[i];
    std::vector<double> sums(values.size());
    windowSum(values.data(), width, height, kContrastWindow, sums.data());
    windowSum(squares.data(), width, height, kContrastWindow, values.data());
    constexpr double n = kContrastWindow * kContrastWindow;
    for (size_t i = 0; i < sums.size(); ++i)
      sums[i] = std::sqrt(std::max(0.0, (values[i] - sums[i] * sums[i] / n) / (n - 1)));
    return sums;
  }

  ExposureWeights m_weights;
  SampleDepth m_depth;
  float m_high;
  float m_units;
  std::vector<float> m_exposure;
  int m_frames = 0;
  PyramidShape m_shape;
  std::vector<uint64_t> m_total;
  std::vector<float> m_inverse;
  /// In the second sweep each channel's blended coefficients, summed as whole numbers of 1 /
  /// m_units (their bits held as floats'); at the end the result.
  std::array<Pyramid, 3> m_planes;
};

} // namespace

std::unique_ptr<FrameRule> exposureFusionRule(const ExposureWeights &weights, SampleDepth depth) {
  return std::make_unique<ExposureFusionRule>(weights, depth);
}

} // namespace lumicomb
