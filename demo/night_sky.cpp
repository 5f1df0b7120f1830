#include "demo/night_sky.h"

#include "demo/scene_random.h"

#include <algorithm>
#include <cmath>

namespace lumicomb {
namespace {

/// What the sensor adds to every frame, lit or capped, so that its noise is never clipped at 0.
constexpr double kBias = 4;
constexpr double kGroundLevel = 5;
/// A pixel lit this far above its background counts as lit when strays are counted.
constexpr double kLitLevels = 30;

/// The angle from a to b, in (-pi, pi].
double angleFrom(double a, double b) { return std::remainder(b - a, 2 * M_PI); }

struct Box {
  int64_t left, top, right, bottom; ///< inclusive
};

} // namespace

NightSky::NightSky(const NightSettings &settings) : m_settings(settings) {
  const double width = static_cast<double>(settings.width);
  const double height = static_cast<double>(settings.height);
  m_poleX = width / 2;
  m_poleY = -0.55 * height;
  m_radiansPerSecond = settings.trailPixels / (settings.exposureSeconds * (0.5 * height - m_poleY));
  SceneRandom random(settings.seed);
  double start = 0;
  for (int k = 0; k < settings.frames; ++k) {
    m_starts.push_back(start);
    start +=
        settings.exposureSeconds + random.uniform(settings.shortestPause, settings.longestPause);
  }
  // Stars are placed where they stand halfway through the night, anywhere above the ground.
  const double middle = start / 2;
  const auto count = static_cast<int>(width * height / 3000);
  for (int s = 0; s < count; ++s) {
    const double x = random.uniform(-0.1 * width, 1.1 * width);
    const double y = random.uniform(0, 0.9 * height);
    Star star{};
    star.radius = std::hypot(x - m_poleX, y - m_poleY);
    star.angle = std::atan2(y - m_poleY, x - m_poleX) - m_radiansPerSecond * middle;
    star.brightness =
        random.uniform(0, 1) < 0.3 ? random.uniform(150, 230) : random.uniform(60, 150);
    star.width = random.uniform(0.7, 1.1);
    star.red = random.uniform(0.75, 1);
    star.green = random.uniform(0.85, 1);
    star.blue = random.uniform(0.75, 1);
    m_stars.push_back(star);
  }
  for (int64_t y = 0; y < settings.height; ++y)
    for (int64_t x = 0; x < settings.width; ++x)
      m_ground.push_back(isGround(static_cast<double>(x), static_cast<double>(y)));
  for (int h = 0; h < settings.hotPixels; ++h) {
    m_hotPixels.push_back(
        {std::floor(random.uniform(2, width - 2)), std::floor(random.uniform(2, height - 2))});
    m_hotLevels.push_back(random.uniform(120, 250));
  }
}

double NightSky::skyLevel(double y, int channel) const {
  const double level = 16 + 14 * y / static_cast<double>(m_settings.height);
  return level * (channel == 0 ? 0.8 : channel == 1 ? 0.9 : 1.0);
}

bool NightSky::isGround(double x, double y) const {
  const double h = static_cast<double>(m_settings.height);
  return y > h * (0.86 + 0.04 * std::sin(x / 70) + 0.02 * std::sin(x / 23 + 1));
}

NightPoint NightSky::place(const Star &star, double seconds) const {
  const double angle = star.angle + m_radiansPerSecond * seconds;
  return {m_poleX + star.radius * std::cos(angle), m_poleY + star.radius * std::sin(angle)};
}

namespace {

/// How far (x, y) lies from the star's arc between two angles (from <= to, less than pi apart).
double distanceToArc(double poleX, double poleY, double radius, double from, double to, double x,
                     double y) {
  const double along = angleFrom(from, std::atan2(y - poleY, x - poleX));
  if (along >= 0 && along <= to - from)
    return std::abs(std::hypot(x - poleX, y - poleY) - radius);
  double nearest = INFINITY;
  for (double angle : {from, to})
    nearest = std::min(nearest, std::hypot(x - poleX - radius * std::cos(angle),
                                           y - poleY - radius * std::sin(angle)));
  return nearest;
}

/// The pixels around an arc, within `margin`, cut to the picture.
Box boxAround(double poleX, double poleY, double radius, double from, double to, double margin,
              int64_t width, int64_t height) {
  double left = INFINITY, top = INFINITY, right = -INFINITY, bottom = -INFINITY;
  const int steps = std::max(2, static_cast<int>((to - from) * radius));
  for (int i = 0; i <= steps; ++i) {
    const double angle = from + (to - from) * i / steps;
    const double x = poleX + radius * std::cos(angle), y = poleY + radius * std::sin(angle);
    left = std::min(left, x);
    right = std::max(right, x);
    top = std::min(top, y);
    bottom = std::max(bottom, y);
  }
  return {std::max<int64_t>(0, static_cast<int64_t>(std::floor(left - margin))),
          std::max<int64_t>(0, static_cast<int64_t>(std::floor(top - margin))),
          std::min<int64_t>(width - 1, static_cast<int64_t>(std::ceil(right + margin))),
          std::min<int64_t>(height - 1, static_cast<int64_t>(std::ceil(bottom + margin)))};
}

double median(std::vector<double> values) {
  if (values.empty())
    return 0;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

} // namespace

std::vector<double> NightSky::exposure(int k, bool withStars) const {
  const int64_t width = m_settings.width, height = m_settings.height;
  std::vector<double> light(static_cast<size_t>(3 * width * height), kBias);
  if (withStars) {
    for (int64_t y = 0; y < height; ++y)
      for (int64_t x = 0; x < width; ++x) {
        const bool ground = m_ground[static_cast<size_t>(y * width + x)];
        for (int c = 0; c < 3; ++c)
          light[static_cast<size_t>(3 * (y * width + x) + c)] +=
              ground ? kGroundLevel : skyLevel(static_cast<double>(y), c);
      }
    const double from = m_radiansPerSecond * frameStart(k);
    const double to = from + m_radiansPerSecond * m_settings.exposureSeconds;
    for (const Star &star : m_stars) {
      const Box box = boxAround(m_poleX, m_poleY, star.radius, star.angle + from, star.angle + to,
                                4 * star.width + 1, width, height);
      for (int64_t y = box.top; y <= box.bottom; ++y)
        for (int64_t x = box.left; x <= box.right; ++x) {
          if (m_ground[static_cast<size_t>(y * width + x)])
            continue;
          const double d =
              distanceToArc(m_poleX, m_poleY, star.radius, star.angle + from, star.angle + to,
                            static_cast<double>(x), static_cast<double>(y));
          const double lit = star.brightness * std::exp(-d * d / (2 * star.width * star.width));
          double *pixel = &light[static_cast<size_t>(3 * (y * width + x))];
          pixel[0] += lit * star.red;
          pixel[1] += lit * star.green;
          pixel[2] += lit * star.blue;
        }
    }
  }
  for (size_t h = 0; h < m_hotPixels.size(); ++h) {
    const auto x = static_cast<int64_t>(m_hotPixels[h].x),
               y = static_cast<int64_t>(m_hotPixels[h].y);
    double *pixel = &light[static_cast<size_t>(3 * (y * width + x))];
    pixel[0] += m_hotLevels[h];
    pixel[1] += 0.8 * m_hotLevels[h];
    pixel[2] += 0.9 * m_hotLevels[h];
  }
  return light;
}

std::vector<uint8_t> NightSky::sensorRead(std::vector<double> light, uint64_t noiseSeed) const {
  SceneRandom noise(noiseSeed);
  std::vector<uint8_t> rgb(light.size());
  for (size_t k = 0; k < light.size(); ++k)
    rgb[k] = static_cast<uint8_t>(
        std::clamp(std::lround(light[k] + m_settings.noiseSigma * noise.gaussian()), 0L, 255L));
  return rgb;
}

std::vector<uint8_t> NightSky::frame(int k) const {
  return sensorRead(exposure(k, true), m_settings.seed * 1000 + static_cast<uint64_t>(k));
}

std::vector<uint8_t> NightSky::dark(int j) const {
  return sensorRead(exposure(0, false), m_settings.seed * 1000 + 500 + static_cast<uint64_t>(j));
}

std::vector<bool> NightSky::nearPaths(double distance) const {
  const int64_t width = m_settings.width, height = m_settings.height;
  std::vector<bool> near(static_cast<size_t>(width * height), false);
  const double from = m_radiansPerSecond * frameStart(0);
  const double to =
      m_radiansPerSecond * (frameStart(m_settings.frames - 1) + m_settings.exposureSeconds);
  for (const Star &star : m_stars) {
    const Box box = boxAround(m_poleX, m_poleY, star.radius, star.angle + from, star.angle + to,
                              distance + 1, width, height);
    for (int64_t y = box.top; y <= box.bottom; ++y)
      for (int64_t x = box.left; x <= box.right; ++x)
        if (distanceToArc(m_poleX, m_poleY, star.radius, star.angle + from, star.angle + to,
                          static_cast<double>(x), static_cast<double>(y)) <= distance)
          near[static_cast<size_t>(y * width + x)] = true;
  }
  return near;
}

NightFigures NightSky::measure(const std::vector<uint8_t> &rgb) const {
  const int64_t width = m_settings.width, height = m_settings.height;
  const auto green = [&](int64_t x, int64_t y) {
    return static_cast<double>(rgb[static_cast<size_t>(3 * (y * width + x) + 1)]);
  };
  const std::vector<bool> near = nearPaths(3);
  std::vector<bool> hot(near.size(), false);
  for (const NightPoint &point : m_hotPixels)
    for (int64_t dy = -1; dy <= 1; ++dy)
      for (int64_t dx = -1; dx <= 1; ++dx)
        hot[static_cast<size_t>((static_cast<int64_t>(point.y) + dy) * width +
                                static_cast<int64_t>(point.x) + dx)] = true;
  // The background of each row: the median of the pixels of its kind (sky or ground) within two
  // rows that lie off every path and away from hot pixels.
  std::vector<double> skyOf(static_cast<size_t>(height)), groundOf(static_cast<size_t>(height));
  std::vector<double> sky;
  for (int64_t y = 0; y < height; ++y) {
    std::vector<double> skyBand, groundBand;
    for (int64_t band = std::max<int64_t>(0, y - 2); band <= std::min(height - 1, y + 2); ++band)
      for (int64_t x = 0; x < width; ++x) {
        const size_t at = static_cast<size_t>(band * width + x);
        if (near[at] || hot[at])
          continue;
        (isGround(static_cast<double>(x), static_cast<double>(band)) ? groundBand : skyBand)
            .push_back(green(x, band));
        if (band == y && !isGround(static_cast<double>(x), static_cast<double>(y)))
          sky.push_back(green(x, y));
      }
    skyOf[static_cast<size_t>(y)] = median(skyBand);
    groundOf[static_cast<size_t>(y)] = median(groundBand);
  }
  const auto background = [&](int64_t x, int64_t y) {
    return isGround(static_cast<double>(x), static_cast<double>(y))
               ? groundOf[static_cast<size_t>(y)]
               : skyOf[static_cast<size_t>(y)];
  };

  NightFigures figures;
  figures.skyMedian = median(sky);
  for (int64_t y = 0; y < height; ++y)
    for (int64_t x = 0; x < width; ++x) {
      const size_t at = static_cast<size_t>(y * width + x);
      if (!near[at] && !hot[at] && green(x, y) - background(x, y) >= kLitLevels)
        ++figures.strayPixels;
    }
  for (const NightPoint &point : m_hotPixels) {
    const auto x = static_cast<int64_t>(point.x), y = static_cast<int64_t>(point.y);
    if (near[static_cast<size_t>(y * width + x)])
      continue;
    ++figures.hotPixelsMeasured;
    for (int c = 0; c < 3; ++c) {
      std::vector<double> around;
      for (int64_t dy = -1; dy <= 1; ++dy)
        for (int64_t dx = -1; dx <= 1; ++dx)
          if (dx != 0 || dy != 0)
            around.push_back(rgb[static_cast<size_t>(3 * ((y + dy) * width + x + dx) + c)]);
      if (rgb[static_cast<size_t>(3 * (y * width + x) + c)] - median(around) >= kLitLevels) {
        ++figures.hotPixelsLeft;
        break;
      }
    }
  }

  // Points every half pixel along each star's path, off the ground and the edges and away from
  // hot pixels.
  int64_t gapPoints = 0, gapLit = 0, trailPoints = 0, trailLit = 0;
  const auto visit = [&](const Star &star, double from, double to, int64_t &points, int64_t &lit) {
    const double length = (to - from) * star.radius;
    for (double s = 0.25; s < length; s += 0.5) {
      const double angle = from + s / star.radius;
      const double x = m_poleX + star.radius * std::cos(angle);
      const double y = m_poleY + star.radius * std::sin(angle);
      const auto px = static_cast<int64_t>(std::lround(x)),
                 py = static_cast<int64_t>(std::lround(y));
      if (px < 3 || py < 3 || px >= width - 3 || py >= height - 3 || isGround(x, y + 2) ||
          hot[static_cast<size_t>(py * width + px)])
        continue;
      ++points;
      if (green(px, py) - background(px, py) >= 0.6 * star.brightness * star.green)
        ++lit;
    }
  };
  const double rate = m_radiansPerSecond;
  for (const Star &star : m_stars)
    for (int k = 0; k < m_settings.frames; ++k) {
      const double start = star.angle + rate * frameStart(k);
      const double end = start + rate * m_settings.exposureSeconds;
      visit(star, start, end, trailPoints, trailLit);
      if (k + 1 < m_settings.frames)
        visit(star, end, star.angle + rate * frameStart(k + 1), gapPoints, gapLit);
    }
  figures.gapShareLit =
      gapPoints ? static_cast<double>(gapLit) / static_cast<double>(gapPoints) : 0;
  figures.trailShareLit =
      trailPoints ? static_cast<double>(trailLit) / static_cast<double>(trailPoints) : 0;
  return figures;
}

} // namespace lumicomb
