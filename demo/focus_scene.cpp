#include "demo/focus_scene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace lumicomb {
namespace {

/// Depths are rendered in this many layers, each blurred as a whole.
constexpr int kLayers = 24;

int layerOf(float depth) { return std::clamp(static_cast<int>(depth * kLayers), 0, kLayers - 1); }
double layerDepth(int layer) { return (layer + 0.5) / kLayers; }

/// Which pixels a layer covers: its own, and those of nearer layers within `margin` of them,
/// which it continues behind so that their blur has something to reveal.
std::vector<bool> coverage(const std::vector<int> &layers, int64_t width, int64_t height, int layer,
                           int margin) {
  const auto own = [&](int64_t x, int64_t y) {
    return layers[static_cast<size_t>(y * width + x)] == layer;
  };
  constexpr int64_t kFar = int64_t{1} << 40;
  // Own pixels within the margin along the row, then within the margin of those down the column.
  std::vector<bool> alongRow(layers.size(), false);
  for (int64_t y = 0; y < height; ++y) {
    int64_t last = -kFar;
    for (int64_t x = 0; x < width; ++x) {
      if (own(x, y))
        last = x;
      alongRow[static_cast<size_t>(y * width + x)] = x - last <= margin;
    }
    last = kFar;
    for (int64_t x = width - 1; x >= 0; --x) {
      if (own(x, y))
        last = x;
      if (last - x <= margin)
        alongRow[static_cast<size_t>(y * width + x)] = true;
    }
  }
  std::vector<bool> near(layers.size(), false);
  std::vector<int64_t> last(static_cast<size_t>(width), -kFar);
  for (int64_t y = 0; y < height; ++y)
    for (int64_t x = 0; x < width; ++x) {
      const auto i = static_cast<size_t>(y * width + x);
      if (alongRow[i])
        last[static_cast<size_t>(x)] = y;
      near[i] = y - last[static_cast<size_t>(x)] <= margin;
    }
  last.assign(static_cast<size_t>(width), kFar);
  for (int64_t y = height - 1; y >= 0; --y)
    for (int64_t x = 0; x < width; ++x) {
      const auto i = static_cast<size_t>(y * width + x);
      if (alongRow[i])
        last[static_cast<size_t>(x)] = y;
      if (last[static_cast<size_t>(x)] - y <= margin)
        near[i] = true;
    }
  std::vector<bool> covered(layers.size(), false);
  for (size_t i = 0; i < layers.size(); ++i)
    covered[i] = layers[i] == layer || (layers[i] > layer && near[i]);
  return covered;
}

/// Colours for the hidden part of a layer from its visible pixels, over the rows [top, bottom)
/// that hold them: each hidden pixel takes the mean of the smallest block of 2^k x 2^k pixels
/// around it that holds visible ones.
std::array<std::vector<float>, 3> filled(const DepthScene &scene, const std::vector<int> &layers,
                                         int layer, int64_t top, int64_t bottom) {
  const int64_t width = scene.width, height = bottom - top;
  struct Level {
    int64_t width, height;
    std::vector<double> sums; // red, green, blue, count per block
  };
  std::vector<Level> levels{{width, height, std::vector<double>(4 * width * height, 0.0)}};
  for (int64_t k = 0; k < width * height; ++k) {
    const auto i = static_cast<size_t>(top * width + k);
    if (layers[i] == layer) {
      for (size_t c = 0; c < 3; ++c)
        levels[0].sums[static_cast<size_t>(4 * k) + c] = scene.rgb[3 * i + c];
      levels[0].sums[static_cast<size_t>(4 * k + 3)] = 1;
    }
  }
  while (levels.back().width > 1 || levels.back().height > 1) {
    const Level &fine = levels.back();
    Level coarse{(fine.width + 1) / 2, (fine.height + 1) / 2, {}};
    coarse.sums.assign(static_cast<size_t>(4 * coarse.width * coarse.height), 0.0);
    for (int64_t y = 0; y < fine.height; ++y)
      for (int64_t x = 0; x < fine.width; ++x)
        for (int c = 0; c < 4; ++c)
          coarse.sums[static_cast<size_t>(4 * ((y / 2) * coarse.width + x / 2) + c)] +=
              fine.sums[static_cast<size_t>(4 * (y * fine.width + x) + c)];
    levels.push_back(std::move(coarse));
  }
  std::array<std::vector<float>, 3> colour;
  for (auto &plane : colour)
    plane.assign(static_cast<size_t>(width * height), 0.0f);
  for (int64_t y = 0; y < height; ++y)
    for (int64_t x = 0; x < width; ++x) {
      int64_t bx = x, by = y;
      for (const Level &level : levels) {
        const double *sum = &level.sums[static_cast<size_t>(4 * (by * level.width + bx))];
        if (sum[3] > 0) {
          for (size_t c = 0; c < 3; ++c)
            colour[c][static_cast<size_t>(y * width + x)] = static_cast<float>(sum[c] / sum[3]);
          break;
        }
        bx /= 2;
        by /= 2;
      }
    }
  return colour;
}

/// The rows [top, bottom) of a picture blurred by a disc of radius r, with the picture's edges
/// repeated outwards; the picture is 0 but for the rows [planeTop, planeBottom), which `plane`
/// holds. Each row of pixels is taken as four thin rows, each covered by the disc's chord across
/// it, which is summed from running totals along the row, its ends taking the fraction of the
/// pixel they cover.
std::vector<float> discBlur(const std::vector<float> &plane, int64_t width, int64_t height,
                            int64_t planeTop, int64_t planeBottom, int64_t top, int64_t bottom,
                            double r) {
  constexpr int kThinRows = 4;
  std::vector<float> out(static_cast<size_t>((bottom - top) * width), 0.0f);
  const auto reach = static_cast<int64_t>(std::ceil(r + 0.5));
  std::vector<std::vector<double>> chords(static_cast<size_t>(2 * reach + 1));
  double total = 0;
  for (int64_t dy = -reach; dy <= reach; ++dy)
    for (int s = 0; s < kThinRows; ++s) {
      const double offset = static_cast<double>(dy) + (s + 0.5) / kThinRows - 0.5;
      const double square = r * r - offset * offset;
      if (square <= 0)
        continue;
      chords[static_cast<size_t>(dy + reach)].push_back(std::sqrt(square));
      total += 2 * std::sqrt(square);
    }
  if (total < 1e-9) { // too small a disc to reach beyond the pixel
    for (int64_t y = std::max(top, planeTop); y < std::min(bottom, planeBottom); ++y)
      std::copy_n(&plane[static_cast<size_t>((y - planeTop) * width)], width,
                  &out[static_cast<size_t>((y - top) * width)]);
    return out;
  }
  // Running totals of each row, padded by its repeated ends: upTo(t) is the row's integral up to
  // t, where pixel i covers [i - 0.5, i + 0.5].
  const int64_t pad = reach + 2;
  std::vector<std::vector<double>> running(static_cast<size_t>(planeBottom - planeTop));
  const std::vector<double> empty(static_cast<size_t>(width + 2 * pad + 1), 0.0);
  const auto runningRow = [&](int64_t y) -> const std::vector<double> & {
    if (y < planeTop || y >= planeBottom)
      return empty;
    std::vector<double> &row = running[static_cast<size_t>(y - planeTop)];
    if (row.empty()) {
      row.resize(empty.size());
      double sum = 0;
      for (int64_t x = -pad; x < width + pad; ++x) {
        sum += plane[static_cast<size_t>((y - planeTop) * width +
                                         std::clamp<int64_t>(x, 0, width - 1))];
        row[static_cast<size_t>(x + pad + 1)] = sum;
      }
    }
    return row;
  };
  const auto upTo = [&](const std::vector<double> &row, double t) {
    const double position = t + static_cast<double>(pad) + 0.5;
    const auto whole = static_cast<int64_t>(std::floor(position));
    const double part = position - static_cast<double>(whole);
    const double below = row[static_cast<size_t>(whole)];
    return part > 0 ? below + part * (row[static_cast<size_t>(whole + 1)] - below) : below;
  };
  for (int64_t y = top; y < bottom; ++y)
    for (int64_t dy = -reach; dy <= reach; ++dy) {
      const std::vector<double> &halves = chords[static_cast<size_t>(dy + reach)];
      if (halves.empty())
        continue;
      const std::vector<double> &row = runningRow(std::clamp<int64_t>(y + dy, 0, height - 1));
      float *to = &out[static_cast<size_t>((y - top) * width)];
      for (int64_t x = 0; x < width; ++x) {
        double sum = 0;
        for (const double half : halves)
          sum +=
              upTo(row, static_cast<double>(x) + half) - upTo(row, static_cast<double>(x) - half);
        to[x] += static_cast<float>(sum / total);
      }
    }
  return out;
}

/// Bicubic sample of a plane at (x, y), edges repeated.
float cubicAt(const std::vector<float> &plane, int64_t width, int64_t height, double x, double y) {
  const auto weights = [](double t) {
    // Catmull-Rom, for offsets -1, 0, 1, 2 from the sample below t.
    const double t2 = t * t, t3 = t2 * t;
    return std::array{-0.5 * t3 + t2 - 0.5 * t, 1.5 * t3 - 2.5 * t2 + 1,
                      -1.5 * t3 + 2 * t2 + 0.5 * t, 0.5 * t3 - 0.5 * t2};
  };
  const auto x0 = static_cast<int64_t>(std::floor(x));
  const auto y0 = static_cast<int64_t>(std::floor(y));
  const auto wx = weights(x - static_cast<double>(x0));
  const auto wy = weights(y - static_cast<double>(y0));
  double sum = 0;
  for (int j = 0; j < 4; ++j) {
    const int64_t row = std::clamp<int64_t>(y0 - 1 + j, 0, height - 1);
    double across = 0;
    for (int i = 0; i < 4; ++i)
      across +=
          wx[static_cast<size_t>(i)] *
          plane[static_cast<size_t>(row * width + std::clamp<int64_t>(x0 - 1 + i, 0, width - 1))];
    sum += wy[static_cast<size_t>(j)] * across;
  }
  return static_cast<float>(sum);
}

} // namespace

std::vector<float> sceneDepths(int64_t width, int64_t height) {
  std::vector<float> depth(static_cast<size_t>(width * height));
  const double w = static_cast<double>(width), h = static_cast<double>(height);
  struct Disc {
    double x, y, radius, depth;
  };
  const Disc discs[] = {{0.18, 0.78, 0.16, 0.97}, {0.42, 0.56, 0.10, 0.88}, {0.86, 0.84, 0.12, 1}};
  for (int64_t y = 0; y < height; ++y)
    for (int64_t x = 0; x < width; ++x) {
      const double u = (static_cast<double>(x) + 0.5) / w;
      const double v = (static_cast<double>(y) + 0.5) / h;
      // The horizon a third of the way down; the ground comes nearer towards the bottom.
      double d = v < 0.33 ? 0 : 0.05 + 0.65 * (v - 0.33) / 0.67;
      if (u > 0.55 && u < 0.8 && v > 0.3 && v < 0.68)
        d = 0.45;
      for (const Disc &disc : discs)
        if (std::hypot((u - disc.x) * w / h, v - disc.y) < disc.radius)
          d = disc.depth;
      depth[static_cast<size_t>(y * width + x)] = static_cast<float>(d);
    }
  return depth;
}

FocusStackRenderer::FocusStackRenderer(const DepthScene &scene, double blurRadius)
    : m_width(scene.width), m_height(scene.height), m_blurRadius(blurRadius) {
  const int64_t width = scene.width;
  const auto pixels = static_cast<size_t>(width * scene.height);
  std::vector<int> layers(pixels);
  for (size_t i = 0; i < pixels; ++i)
    layers[i] = layerOf(scene.depth[i]);
  const int margin = static_cast<int>(std::ceil(blurRadius)) + 1;
  for (int layer = 0; layer < kLayers; ++layer) {
    if (std::find(layers.begin(), layers.end(), layer) == layers.end())
      continue;
    const std::vector<bool> covered = coverage(layers, width, scene.height, layer, margin);
    Layer made;
    made.depth = layerDepth(layer);
    made.top = scene.height;
    for (size_t i = 0; i < pixels; ++i)
      if (covered[i]) {
        const auto y = static_cast<int64_t>(i) / width;
        made.top = std::min(made.top, y);
        made.bottom = std::max(made.bottom, y + 1);
      }
    const auto rows = static_cast<size_t>((made.bottom - made.top) * width);
    const auto first = static_cast<size_t>(made.top * width);
    const std::array<std::vector<float>, 3> fill =
        filled(scene, layers, layer, made.top, made.bottom);
    for (auto &plane : made.planes)
      plane.assign(rows, 0.0f);
    for (size_t k = 0; k < rows; ++k) {
      const size_t i = first + k;
      if (!covered[i])
        continue;
      for (size_t c = 0; c < 3; ++c)
        made.planes[c][k] = layers[i] == layer ? scene.rgb[3 * i + c] : fill[c][k];
      made.planes[3][k] = 1;
    }
    m_layers.push_back(std::move(made));
  }
}

std::vector<uint8_t> FocusStackRenderer::render(const FocusShot &shot) const {
  const int64_t width = m_width, height = m_height;
  const auto pixels = static_cast<size_t>(width * height);
  std::array<std::vector<float>, 3> out;
  for (auto &plane : out)
    plane.assign(pixels, 0.0f);
  // From the back: each layer, blurred as its distance from the focus asks, covers what is
  // behind it as far as its blurred coverage reaches.
  for (const Layer &layer : m_layers) {
    const double r = m_blurRadius * std::abs(layer.depth - shot.focus);
    const auto reach = static_cast<int64_t>(std::ceil(r)) + 1;
    const int64_t top = std::max<int64_t>(0, layer.top - reach);
    const int64_t bottom = std::min(height, layer.bottom + reach);
    std::array<std::vector<float>, 4> blurred;
    for (size_t c = 0; c < 4; ++c)
      blurred[c] =
          discBlur(layer.planes[c], width, height, layer.top, layer.bottom, top, bottom, r);
    for (int64_t y = top; y < bottom; ++y)
      for (int64_t x = 0; x < width; ++x) {
        const auto i = static_cast<size_t>(y * width + x);
        const auto j = static_cast<size_t>((y - top) * width + x);
        for (size_t c = 0; c < 3; ++c)
          out[c][i] = out[c][i] * (1 - blurred[3][j]) + blurred[c][j];
      }
  }
  std::mt19937_64 random(shot.noiseSeed);
  std::normal_distribution<double> noise(0, 1);
  std::vector<uint8_t> rgb(3 * pixels);
  const double cx = (static_cast<double>(width) - 1) / 2;
  const double cy = (static_cast<double>(height) - 1) / 2;
  for (int64_t y = 0; y < height; ++y)
    for (int64_t x = 0; x < width; ++x)
      for (size_t c = 0; c < 3; ++c) {
        double value = shot.magnification == 1
                           ? out[c][static_cast<size_t>(y * width + x)]
                           : cubicAt(out[c], width, height,
                                     cx + (static_cast<double>(x) - cx) / shot.magnification,
                                     cy + (static_cast<double>(y) - cy) / shot.magnification);
        if (shot.noiseSigma > 0)
          value += shot.noiseSigma * noise(random);
        rgb[static_cast<size_t>(3 * (y * width + x)) + c] =
            static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
      }
  return rgb;
}

uint8_t exposedSample(uint8_t value, double ev) {
  const double v = value / 255.0;
  const double linear =
      (v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4)) * std::pow(2.0, ev);
  const double clipped = std::clamp(linear, 0.0, 1.0);
  const double encoded =
      clipped <= 0.0031308 ? 12.92 * clipped : 1.055 * std::pow(clipped, 1 / 2.4) - 0.055;
  return static_cast<uint8_t>(std::lround(255 * encoded));
}

std::vector<bool> depthStepBand(const DepthScene &scene, int reach) {
  const int64_t width = scene.width, height = scene.height;
  const auto depth = [&](int64_t x, int64_t y) {
    return scene.depth[static_cast<size_t>(y * width + x)];
  };
  std::vector<bool> step(static_cast<size_t>(width * height), false);
  for (int64_t y = 0; y < height; ++y)
    for (int64_t x = 0; x < width; ++x) {
      const bool right = x + 1 < width && std::abs(depth(x + 1, y) - depth(x, y)) > 0.05f;
      const bool below = y + 1 < height && std::abs(depth(x, y + 1) - depth(x, y)) > 0.05f;
      if (right || below)
        step[static_cast<size_t>(y * width + x)] = true;
    }
  std::vector<bool> band(step.size(), false);
  for (int64_t y = 0; y < height; ++y)
    for (int64_t x = 0; x < width; ++x) {
      if (!step[static_cast<size_t>(y * width + x)])
        continue;
      for (int64_t v = std::max<int64_t>(0, y - reach); v <= std::min(height - 1, y + reach); ++v)
        for (int64_t u = std::max<int64_t>(0, x - reach); u <= std::min(width - 1, x + reach); ++u)
          band[static_cast<size_t>(v * width + u)] = true;
    }
  return band;
}

} // namespace lumicomb
