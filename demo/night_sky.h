#pragma once
// A synthetic night of star trails, drawn exactly: stars turning about a pole above the frame,
// frames of a fixed exposure with pauses between them, sensor noise, a dark ground, and hot
// pixels with darks to match. It knows the truth of every trail, so that what a blend makes of
// the night can be measured: the demo, the tests and the bench draw the same night.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumicomb {

struct NightSettings {
  int64_t width = 960;
  int64_t height = 600;
  int frames = 12;
  double exposureSeconds = 25;
  double shortestPause = 3; ///< seconds between one frame's end and the next one's start
  double longestPause = 8;
  /// How far a star at the frame's centre moves during one exposure.
  double trailPixels = 11;
  int hotPixels = 0;
  double noiseSigma = 3; ///< in 8-bit levels
  uint64_t seed = 1;
};

/// A place in the picture: x across, y down from the top row, in pixels.
struct NightPoint {
  double x = 0;
  double y = 0;
};

/// What a blend of the night is measured by (green channel, 8-bit levels).
struct NightFigures {
  double gapShareLit = 0;   ///< of the true paths' points in the pauses, lit to 0.6 of the star
  double trailShareLit = 0; ///< the same of the points on the exposed trails
  int64_t strayPixels = 0;  ///< lit 30 levels above the sky more than 3 px from any path
  double skyMedian = 0;     ///< of the sky's pixels more than 3 px from any path
  /// Of the hot pixels more than 3 px from every path (a trail over one lights it rightly), how
  /// many there are, and how many still stand 30 levels above their neighbours' median.
  int64_t hotPixelsMeasured = 0;
  int64_t hotPixelsLeft = 0;
};

class NightSky {
public:
  explicit NightSky(const NightSettings &settings);

  const NightSettings &settings() const { return m_settings; }
  /// Frame k (0-based) as interleaved 8-bit red, green and blue, top row first.
  std::vector<uint8_t> frame(int k) const;
  /// A dark frame: the sensor's hot pixels and its noise, with the lens capped.
  std::vector<uint8_t> dark(int j) const;
  const std::vector<NightPoint> &hotPixels() const { return m_hotPixels; }

  /// Measures a blend of the frames, interleaved RGB, top row first, of the night's size.
  NightFigures measure(const std::vector<uint8_t> &rgb) const;

  struct Star {
    double radius;     ///< from the pole
    double angle;      ///< at time 0
    double brightness; ///< above the sky, in 8-bit levels
    double width;      ///< the trail's Gaussian cross-section, sigma in pixels
    double red, green, blue;
  };

private:
  double skyLevel(double y, int channel) const;
  bool isGround(double x, double y) const;
  double frameStart(int k) const { return m_starts[static_cast<size_t>(k)]; }
  NightPoint place(const Star &star, double seconds) const;
  std::vector<double> exposure(int k, bool withStars) const;
  std::vector<uint8_t> sensorRead(std::vector<double> light, uint64_t noiseSeed) const;
  /// For each pixel, whether it lies within `distance` of some star's path over the night.
  std::vector<bool> nearPaths(double distance) const;

  NightSettings m_settings;
  double m_poleX, m_poleY, m_radiansPerSecond;
  std::vector<double> m_starts;
  std::vector<Star> m_stars;
  std::vector<bool> m_ground; ///< row by row from the top
  std::vector<NightPoint> m_hotPixels;
  std::vector<double> m_hotLevels;
};

} // namespace lumicomb
