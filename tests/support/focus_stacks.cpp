#include "support/focus_stacks.h"

#include "demo/handheld_scene.h"
#include "support/handheld_stacks.h"

#include <algorithm>
#include <cmath>

namespace lumicomb::test {

DepthScene landscapeScene(int64_t width, int64_t height) {
  DepthScene scene{width, height, {}, sceneDepths(width, height)};
  const std::vector<uint8_t> rgb = renderHandheldFrame(width, height, HandheldShot{});
  scene.rgb.assign(rgb.begin(), rgb.end());
  return scene;
}

std::vector<Picture> focusStack(const DepthScene &scene, const StackVariant &variant) {
  const FocusStackRenderer renderer(scene, variant.blurRadius);
  std::vector<Picture> stack;
  for (int k = 0; k < variant.slices; ++k) {
    const double along = variant.slices > 1 ? static_cast<double>(k) / (variant.slices - 1) : 0;
    FocusShot shot;
    shot.focus = along;
    shot.magnification = 1 + (variant.breathing - 1) * along;
    shot.noiseSigma = variant.noiseSigma;
    shot.noiseSeed = static_cast<uint64_t>(k + 1);
    stack.push_back(fromTopDown(renderer.render(shot), scene.width, scene.height));
  }
  return stack;
}

Picture sharpPicture(const DepthScene &scene) {
  std::vector<uint8_t> rgb(scene.rgb.size());
  std::transform(scene.rgb.begin(), scene.rgb.end(), rgb.begin(),
                 [](float v) { return static_cast<uint8_t>(std::lround(v)); });
  return fromTopDown(rgb, scene.width, scene.height);
}

double psnr(const Picture &picture, const Picture &truth, const std::vector<bool> &inside,
            int64_t x0, int64_t y0) {
  double squares = 0;
  int64_t samples = 0;
  for (int64_t y = 0; y < picture.height; ++y)
    for (int64_t x = 0; x < picture.width; ++x) {
      const size_t at = static_cast<size_t>((y + y0) * truth.width + x + x0);
      if (!inside.empty() && !inside[at])
        continue;
      const Rgb a = picture.at(x, y), b = truth.pixels[at];
      for (const auto channel : {&Rgb::red, &Rgb::green, &Rgb::blue}) {
        const double d = a.*channel - b.*channel;
        squares += d * d;
      }
      samples += 3;
    }
  return 10 * std::log10(255.0 * 255.0 * static_cast<double>(samples) / std::max(squares, 1e-9));
}

std::vector<bool> bottomUp(const std::vector<bool> &band, int64_t width, int64_t height) {
  std::vector<bool> flipped(band.size());
  for (int64_t y = 0; y < height; ++y)
    for (int64_t x = 0; x < width; ++x)
      flipped[static_cast<size_t>(y * width + x)] =
          band[static_cast<size_t>((height - 1 - y) * width + x)];
  return flipped;
}

Picture exposed(const Picture &picture, double ev) {
  Picture result = picture;
  for (Rgb &pixel : result.pixels)
    for (const auto channel : {&Rgb::red, &Rgb::green, &Rgb::blue})
      pixel.*channel = exposedSample(pixel.*channel, ev);
  return result;
}

int64_t clippedSamples(const Picture &picture) {
  int64_t clipped = 0;
  for (const Rgb &pixel : picture.pixels)
    for (const uint8_t v : {pixel.red, pixel.green, pixel.blue})
      clipped += v == 0 || v == 255;
  return clipped;
}

} // namespace lumicomb::test
