#include "passes/sky_motion.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace lumicomb {
namespace {

constexpr int64_t kReduction = 4; ///< pixels a side of a cell of the reduced copies
constexpr int64_t kTileCells = 32;
constexpr int64_t kReach = 24;    ///< the farthest move looked for, in cells
constexpr size_t kLeastCells = 6; ///< lit cells a tile needs to be measured
constexpr size_t kLeastTiles = 3;
/// How far, in pixels, the tiles' moves may lie from the fitted one, as their median: a cell's
/// fraction on a night, tens of pixels between frames that are not of one sky.
constexpr double kMostMedianMiss = 3;

/// A frame's star pixels reduced to cells of kReduction pixels, each keeping its brightest
/// sample as an 8-bit value.
struct ReducedCopy {
  int64_t width = 0;
  int64_t height = 0;
  std::vector<uint8_t> cells;

  uint8_t at(int64_t x, int64_t y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
      return 0;
    return cells[static_cast<size_t>(y * width + x)];
  }
};

/// The places lit in both frames: lights and hot pixels that stand still.
std::vector<bool> standingStill(const StarPixels &stars, const StarPixels &other) {
  std::vector<bool> still(stars.places.size(), false);
  size_t j = 0;
  for (size_t k = 0; k < stars.places.size(); ++k) {
    while (j < other.places.size() && other.places[j] < stars.places[k])
      ++j;
    still[k] = j < other.places.size() && other.places[j] == stars.places[k];
  }
  return still;
}

ReducedCopy reducedCopy(const StarPixels &stars, const StarPixels &other, bool wide) {
  ReducedCopy copy;
  copy.width = (stars.width + kReduction - 1) / kReduction;
  copy.height = (stars.height + kReduction - 1) / kReduction;
  copy.cells.assign(static_cast<size_t>(copy.width * copy.height), 0);
  const std::vector<bool> still = standingStill(stars, other);
  for (size_t k = 0; k < stars.places.size(); ++k) {
    if (still[k])
      continue;
    const int64_t x = stars.places[k] % stars.width, y = stars.places[k] / stars.width;
    const uint16_t *samples = &stars.samples[3 * k];
    const int brightest = std::max({samples[0], samples[1], samples[2]}) >> (wide ? 8 : 0);
    uint8_t &cell = copy.cells[static_cast<size_t>((y / kReduction) * copy.width + x / kReduction)];
    cell = std::max(cell, static_cast<uint8_t>(std::min(brightest, 255)));
  }
  return copy;
}

/// Where one tile's stars went, in pixels, and where the tile's stars are.
struct TileMove {
  double x, y;   ///< the centre of its lit cells
  double dx, dy; ///< the move
  double weight;
};

/// The peak's offset from a whole cell, from a parabola through it and its two neighbours.
double peakOffset(double before, double peak, double after) {
  const double curvature = before - 2 * peak + after;
  return curvature < 0 ? std::clamp(0.5 * (before - after) / curvature, -0.5, 0.5) : 0;
}

std::optional<TileMove> tileMove(const ReducedCopy &earlier, const ReducedCopy &later,
                                 int64_t tileX, int64_t tileY) {
  struct Cell {
    int64_t x, y;
    int64_t value;
  };
  std::vector<Cell> lit;
  for (int64_t y = tileY; y < std::min(earlier.height, tileY + kTileCells); ++y)
    for (int64_t x = tileX; x < std::min(earlier.width, tileX + kTileCells); ++x)
      if (const uint8_t value = earlier.at(x, y))
        lit.push_back({x, y, value});
  if (lit.size() < kLeastCells)
    return std::nullopt;
  constexpr int64_t kSide = 2 * kReach + 1;
  std::vector<double> scores(kSide * kSide, 0);
  int64_t bestX = 0, bestY = 0;
  double best = 0;
  for (int64_t dy = -kReach; dy <= kReach; ++dy)
    for (int64_t dx = -kReach; dx <= kReach; ++dx) {
      int64_t score = 0;
      for (const Cell &cell : lit)
        score += cell.value * later.at(cell.x + dx, cell.y + dy);
      scores[static_cast<size_t>((dy + kReach) * kSide + dx + kReach)] = static_cast<double>(score);
      if (score > best) {
        best = static_cast<double>(score);
        bestX = dx;
        bestY = dy;
      }
    }
  if (best <= 0 || std::abs(bestX) == kReach || std::abs(bestY) == kReach)
    return std::nullopt;
  const auto score = [&](int64_t dx, int64_t dy) {
    return scores[static_cast<size_t>((dy + kReach) * kSide + dx + kReach)];
  };
  const double offsetX = peakOffset(score(bestX - 1, bestY), best, score(bestX + 1, bestY));
  const double offsetY = peakOffset(score(bestX, bestY - 1), best, score(bestX, bestY + 1));
  double sumX = 0, sumY = 0;
  for (const Cell &cell : lit) {
    sumX += static_cast<double>(cell.x);
    sumY += static_cast<double>(cell.y);
  }
  const auto count = static_cast<double>(lit.size());
  constexpr auto kScale = static_cast<double>(kReduction);
  return TileMove{(sumX / count + 0.5) * kScale, (sumY / count + 0.5) * kScale,
                  (static_cast<double>(bestX) + offsetX) * kScale,
                  (static_cast<double>(bestY) + offsetY) * kScale, count};
}

/// The weighted least-squares turn and shift about (centreX, centreY).
std::optional<SkyMotion> fitTurn(const std::vector<TileMove> &moves, double centreX,
                                 double centreY) {
  // Unknowns (turn, shiftX, shiftY); each move gives dx = -turn * y + shiftX and
  // dy = turn * x + shiftY, with x and y from the centre.
  std::array<std::array<double, 4>, 3> system{};
  const auto add = [&](std::array<double, 3> row, double value, double weight) {
    for (size_t i = 0; i < 3; ++i) {
      for (size_t j = 0; j < 3; ++j)
        system[i][j] += weight * row[i] * row[j];
      system[i][3] += weight * row[i] * value;
    }
  };
  for (const TileMove &move : moves) {
    add({-(move.y - centreY), 1, 0}, move.dx, move.weight);
    add({move.x - centreX, 0, 1}, move.dy, move.weight);
  }
  for (size_t column = 0; column < 3; ++column) {
    size_t pivot = column;
    for (size_t row = column + 1; row < 3; ++row)
      if (std::abs(system[row][column]) > std::abs(system[pivot][column]))
        pivot = row;
    if (std::abs(system[pivot][column]) < 1e-9)
      return std::nullopt;
    std::swap(system[pivot], system[column]);
    for (size_t row = 0; row < 3; ++row)
      if (row != column) {
        const double factor = system[row][column] / system[column][column];
        for (size_t k = column; k < 4; ++k)
          system[row][k] -= factor * system[column][k];
      }
  }
  SkyMotion motion;
  motion.turn = system[0][3] / system[0][0];
  motion.shiftX = system[1][3] / system[1][1] + motion.turn * centreY;
  motion.shiftY = system[2][3] / system[2][2] - motion.turn * centreX;
  return motion;
}

double missOf(const SkyMotion &motion, const TileMove &move) {
  return std::hypot(move.dx - motion.dx(move.x, move.y), move.dy - motion.dy(move.x, move.y));
}

struct Misses {
  std::vector<double> each; ///< in the moves' order
  double median;
};

Misses missesOf(const SkyMotion &motion, const std::vector<TileMove> &moves) {
  Misses misses;
  for (const TileMove &move : moves)
    misses.each.push_back(missOf(motion, move));
  std::vector<double> sorted = misses.each;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2),
                   sorted.end());
  misses.median = sorted[sorted.size() / 2];
  return misses;
}

} // namespace

std::optional<SkyMotion> measureSkyMotion(const StarPixels &earlier, const StarPixels &later) {
  if (earlier.tooMany || later.tooMany || earlier.width != later.width ||
      earlier.height != later.height)
    return std::nullopt;
  const bool wide = earlier.depth == SampleDepth::Sixteen;
  const ReducedCopy from = reducedCopy(earlier, later, wide);
  const ReducedCopy to = reducedCopy(later, earlier, wide);
  std::vector<TileMove> moves;
  for (int64_t y = 0; y < from.height; y += kTileCells)
    for (int64_t x = 0; x < from.width; x += kTileCells)
      if (const std::optional<TileMove> move = tileMove(from, to, x, y))
        moves.push_back(*move);
  // The sky turns as one: most tiles must agree on the move, or the frames are not one sky's.
  const size_t agreeing = std::max(kLeastTiles, (moves.size() + 1) / 2);
  const double centreX = static_cast<double>(earlier.width) / 2;
  const double centreY = static_cast<double>(earlier.height) / 2;
  std::optional<SkyMotion> motion;
  for (int round = 0; round < 4 && moves.size() >= agreeing; ++round) {
    motion = fitTurn(moves, centreX, centreY);
    if (!motion)
      return std::nullopt;
    const Misses misses = missesOf(*motion, moves);
    const double limit = std::max(2.0, 2.5 * misses.median);
    std::vector<TileMove> kept;
    for (size_t k = 0; k < moves.size(); ++k)
      if (misses.each[k] <= limit)
        kept.push_back(moves[k]);
    if (kept.size() == moves.size())
      return misses.median <= kMostMedianMiss ? motion : std::nullopt;
    moves = std::move(kept);
  }
  if (moves.size() < agreeing)
    return std::nullopt;
  motion = fitTurn(moves, centreX, centreY);
  return motion && missesOf(*motion, moves).median <= kMostMedianMiss ? motion : std::nullopt;
}

} // namespace lumicomb
