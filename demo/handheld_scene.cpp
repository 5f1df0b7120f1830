#include "demo/handheld_scene.h"

#include "demo/scene_random.h"

#include <algorithm>
#include <cmath>

namespace lumicomb {

namespace {

// The scene lives in units of image 1's width: u across, v down, image 1 spanning u in [0, 1].

struct Colour {
  double red = 0, green = 0, blue = 0;
};

Colour mix(Colour a, Colour b, double t) {
  return {a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t,
          a.blue + (b.blue - a.blue) * t};
}

Colour shaded(Colour c, double factor) {
  return {c.red * factor, c.green * factor, c.blue * factor};
}

double clamp01(double t) { return std::clamp(t, 0.0, 1.0); }

/// std::hypot without its guard against overflow, which costs more than the rest of a sample.
double length(double dx, double dy) { return std::sqrt(dx * dx + dy * dy); }

/// A disc or an axis-aligned box, lit from the top left.
struct Shape {
  bool disc = false;
  double u = 0, v = 0;         ///< centre
  double halfU = 0, halfV = 0; ///< a disc's radius in both
  Colour colour;

  double signedDistance(double pu, double pv) const {
    if (disc)
      return length(pu - u, pv - v) - halfU;
    const double du = std::abs(pu - u) - halfU;
    const double dv = std::abs(pv - v) - halfV;
    return length(std::max(du, 0.0), std::max(dv, 0.0)) + std::min(std::max(du, dv), 0.0);
  }
  Colour colourAt(double pu, double pv) const {
    if (disc) {
      const double fromLight = length(pu - (u - 0.4 * halfU), pv - (v - 0.4 * halfU)) / halfU;
      return shaded(colour, 1.15 - 0.35 * std::min(fromLight, 1.4));
    }
    return shaded(colour, 1.05 - 0.2 * (pv - (v - halfV)) / (2 * halfV));
  }
};

class Landscape {
public:
  explicit Landscape(uint64_t seed) {
    SceneRandom random(seed);
    for (double &phase : m_phase)
      phase = random.uniform(0, 2 * M_PI);
    m_sunU = random.uniform(0.55, 0.85);
    placeHousesAndTrees(random);
    for (int i = 0; i < 900; ++i) {
      const double v = random.uniform(0.42, 1.1);
      const double size = 0.0012 + 0.004 * (v - 0.42);
      static const Colour kPetals[] = {{250, 248, 240}, {250, 215, 60}, {215, 50, 60},
                                       {150, 90, 200},  {245, 140, 40}, {240, 170, 200}};
      add({true, random.uniform(-0.4, 1.4), v, size, size, kPetals[random.next() % 6]});
    }
    index();
  }

  Colour at(double u, double v, double pixel) const {
    Colour blended;
    double covered = 0;
    // Front to back through the shapes that may reach the point: the topmost ones hide the rest.
    if (const std::vector<uint32_t> *cell = cellAt(u, v))
      for (auto i = cell->rbegin(); i != cell->rend() && covered < 0.999; ++i) {
        const Shape &shape = m_shapes[*i];
        const double alpha = clamp01(0.5 - shape.signedDistance(u, v) / pixel);
        if (alpha <= 0)
          continue;
        const double weight = alpha * (1 - covered);
        const Colour c = shape.colourAt(u, v);
        blended = {blended.red + weight * c.red, blended.green + weight * c.green,
                   blended.blue + weight * c.blue};
        covered += weight;
      }
    if (covered >= 0.999)
      return shaded(blended, 1 / covered);
    const Colour below = background(u, v, pixel);
    return {blended.red + (1 - covered) * below.red, blended.green + (1 - covered) * below.green,
            blended.blue + (1 - covered) * below.blue};
  }

private:
  static constexpr double kLeft = -0.5, kTop = -0.3, kCell = 0.02;
  static constexpr int kColumns = 100, kRows = 80;

  double mountainRidge(double u) const {
    return 0.26 + 0.045 * std::sin(7.1 * u + m_phase[0]) + 0.022 * std::sin(17.3 * u + m_phase[1]) +
           0.008 * std::sin(43.0 * u + m_phase[2]);
  }
  double hillRidge(double u) const {
    return 0.36 + 0.03 * std::sin(4.3 * u + m_phase[3]) + 0.012 * std::sin(11.7 * u + m_phase[4]);
  }

  /// The layers from the back: sky with clouds and the sun, mountains, then the hills, each
  /// computed only where the layers before it do not hide it.
  Colour background(double u, double v, double pixel) const {
    const double hillDepth = v - hillRidge(u);
    const double hillCover = clamp01(0.5 + hillDepth / pixel);
    Colour hill;
    if (hillCover > 0) {
      const double furrows = std::sin(160 * hillDepth + 9 * std::sin(6 * u + m_phase[7]));
      const double fields = std::sin(23 * u + 4 * std::sin(31 * v) + m_phase[8]);
      hill = mix({110, 150, 70}, {190, 180, 90}, 0.5 + 0.5 * fields);
      hill = shaded(mix(hill, {60, 110, 50}, clamp01(hillDepth / 0.4)), 0.92 + 0.08 * furrows);
      if (hillCover >= 1)
        return hill;
    }
    const double mountainDepth = v - mountainRidge(u);
    const double mountainCover = clamp01(0.5 + mountainDepth / pixel);
    Colour mountain;
    if (mountainCover > 0) {
      const double rock = 0.5 + 0.5 * std::sin(70 * u + 25 * v + 2 * std::sin(13 * u));
      mountain = shaded(mix({150, 150, 185}, {95, 100, 140}, clamp01(mountainDepth / 0.08)),
                        0.9 + 0.12 * rock);
    }
    if (mountainCover < 1) {
      const double sunDistance = length(u - m_sunU, v - 0.11);
      Colour sky = mix({45, 95, 175}, {250, 200, 150}, std::pow(clamp01(v / 0.34), 1.6));
      const double cloud = std::sin(9 * u + 2.5 * std::sin(23 * v + m_phase[5])) *
                           std::sin(41 * v + 3 * std::sin(5 * u) + m_phase[6]);
      sky = mix(sky, {252, 246, 240}, 0.55 * std::pow(std::max(cloud, 0.0), 3));
      sky = mix(sky, {255, 225, 160}, 0.7 * std::exp(-sunDistance / 0.05));
      sky = mix(sky, {255, 245, 215}, clamp01(0.5 - (sunDistance - 0.028) / pixel));
      mountain = mix(sky, mountain, mountainCover);
    }
    return mix(mountain, hill, hillCover);
  }

  void placeHousesAndTrees(SceneRandom &random) {
    struct Item {
      double depth;
      std::vector<Shape> shapes;
    };
    std::vector<Item> items;
    static const Colour kWalls[] = {
        {225, 185, 120}, {236, 230, 215}, {205, 120, 85}, {230, 195, 185}};
    static const Colour kRoofs[] = {{150, 55, 40}, {85, 85, 100}, {120, 70, 50}};
    for (int i = 0; i < 70; ++i) {
      const double u = random.uniform(-0.4, 1.4);
      const double depth = random.uniform(0.01, 0.22);
      const double size = 0.7 + 4 * depth;
      const double v = hillRidge(u) + depth;
      const double halfU = 0.014 * size * random.uniform(0.8, 1.4);
      const double halfV = 0.010 * size;
      Item house{depth, {}};
      house.shapes.push_back({false, u, v - halfV, halfU, halfV, kWalls[random.next() % 4]});
      house.shapes.push_back({false, u, v - 2 * halfV - 0.0035 * size, halfU * 1.12, 0.0035 * size,
                              kRoofs[random.next() % 3]});
      const int windows = 2 + static_cast<int>(random.next() % 3);
      for (int w = 0; w < windows; ++w) {
        const bool lit = random.next() % 3 == 0;
        house.shapes.push_back({false, u - halfU + (w + 0.5) * 2 * halfU / windows,
                                v - 1.25 * halfV, 0.0025 * size, 0.003 * size,
                                lit ? Colour{255, 215, 120} : Colour{40, 48, 62}});
      }
      items.push_back(std::move(house));
    }
    for (int i = 0; i < 220; ++i) {
      const double u = random.uniform(-0.4, 1.4);
      const double depth = random.uniform(0.0, 0.3);
      const double size = 0.6 + 4 * depth;
      const double v = hillRidge(u) + depth;
      const double radius = random.uniform(0.005, 0.011) * size;
      const Colour leaves = mix({35, 80, 35}, {95, 130, 45}, random.uniform(0, 1));
      items.push_back({depth,
                       {{false, u, v - 0.5 * radius, 0.12 * radius, 0.5 * radius, {90, 60, 40}},
                        {true, u, v - 1.4 * radius, radius, radius, leaves}}});
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const Item &a, const Item &b) { return a.depth < b.depth; });
    for (const Item &item : items)
      for (const Shape &shape : item.shapes)
        add(shape);
  }

  void add(const Shape &shape) { m_shapes.push_back(shape); }

  /// Files every shape under the cells its box (with a margin for the soft edge) touches.
  void index() {
    m_cells.assign(kColumns * kRows, {});
    for (uint32_t i = 0; i < m_shapes.size(); ++i) {
      const Shape &s = m_shapes[i];
      const auto cellRange = [](double low, double high, double origin, int count) {
        return std::pair{
            std::clamp(static_cast<int>(std::floor((low - origin) / kCell)), 0, count - 1),
            std::clamp(static_cast<int>(std::floor((high - origin) / kCell)), 0, count - 1)};
      };
      constexpr double kMargin = 0.005;
      const auto [left, right] =
          cellRange(s.u - s.halfU - kMargin, s.u + s.halfU + kMargin, kLeft, kColumns);
      const auto [top, bottom] =
          cellRange(s.v - s.halfV - kMargin, s.v + s.halfV + kMargin, kTop, kRows);
      for (int row = top; row <= bottom; ++row)
        for (int column = left; column <= right; ++column)
          m_cells[row * kColumns + column].push_back(i);
    }
  }

  const std::vector<uint32_t> *cellAt(double u, double v) const {
    const double column = std::floor((u - kLeft) / kCell);
    const double row = std::floor((v - kTop) / kCell);
    if (column < 0 || row < 0 || column >= kColumns || row >= kRows)
      return nullptr;
    return &m_cells[static_cast<size_t>(row) * kColumns + static_cast<size_t>(column)];
  }

  double m_phase[9] = {};
  double m_sunU = 0.7;
  std::vector<Shape> m_shapes;
  std::vector<std::vector<uint32_t>> m_cells;
};

} // namespace

std::vector<uint8_t> renderHandheldFrame(int64_t width, int64_t height, const HandheldShot &shot) {
  const Landscape landscape(shot.sceneSeed);
  SceneRandom noise(shot.noiseSeed);
  const double unit = 1.0 / static_cast<double>(width);
  const std::array<double, 9> &m = shot.toImageOne;
  std::vector<uint8_t> rows(static_cast<size_t>(width * height * 3));
  uint8_t *out = rows.data();
  for (int64_t y = 0; y < height; ++y)
    for (int64_t x = 0; x < width; ++x) {
      Colour sum;
      // Four samples a pixel soften the edges the way a lens and sensor do.
      for (const double oy : {-0.25, 0.25})
        for (const double ox : {-0.25, 0.25}) {
          const double px = x + ox;
          const double py = y + oy;
          const double w = m[6] * px + m[7] * py + m[8];
          const double ix = (m[0] * px + m[1] * py + m[2]) / w;
          const double iy = (m[3] * px + m[4] * py + m[5]) / w;
          const Colour c = landscape.at((ix + 0.5) * unit, (iy + 0.5) * unit, unit);
          sum = {sum.red + c.red, sum.green + c.green, sum.blue + c.blue};
        }
      for (const double channel : {sum.red, sum.green, sum.blue}) {
        const double value =
            channel / 4 + (shot.noiseSigma > 0 ? shot.noiseSigma * noise.gaussian() : 0);
        *out++ = static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
      }
    }
  return rows;
}

} // namespace lumicomb
