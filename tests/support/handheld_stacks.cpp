#include "support/handheld_stacks.h"

#include <cmath>
#include <numbers>

namespace lumicomb::test {

Picture handheldPicture(int64_t width, int64_t height, const HandheldShot &shot) {
  return fromTopDown(renderHandheldFrame(width, height, shot), width, height);
}

Picture fromTopDown(const std::vector<uint8_t> &rgb, int64_t width, int64_t height) {
  Picture picture{width, height, std::vector<Rgb>(static_cast<size_t>(width * height))};
  for (int64_t y = 0; y < height; ++y)
    for (int64_t x = 0; x < width; ++x) {
      const uint8_t *sample = &rgb[static_cast<size_t>(3 * ((height - 1 - y) * width + x))];
      picture.at(x, y) = {sample[0], sample[1], sample[2]};
    }
  return picture;
}

HandheldShot handheldShot(int64_t width, int64_t height, double dx, double dy, double degrees,
                          double noise, uint64_t noiseSeed) {
  const double turn = degrees * std::numbers::pi / 180;
  const double c = std::cos(turn), s = std::sin(turn);
  const double cx = (static_cast<double>(width) - 1) / 2,
               cy = (static_cast<double>(height) - 1) / 2;
  HandheldShot shot;
  shot.toImageOne = {c, -s, cx - c * cx + s * cy + dx, s, c, cy - s * cx - c * cy + dy, 0, 0, 1};
  shot.noiseSigma = noise;
  shot.noiseSeed = noiseSeed;
  return shot;
}

FrameTransform fromBottomRow(const std::array<double, 9> &fromTop, int64_t height) {
  const FrameTransform flip{{1, 0, 0, 0, -1, static_cast<double>(height - 1), 0, 0, 1}};
  return flip.then(FrameTransform{fromTop}).then(flip);
}

} // namespace lumicomb::test
