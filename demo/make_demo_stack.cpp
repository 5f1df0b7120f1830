// lumicomb-demo-stack: writes a burst of frames of one synthetic scene, each with its own sensor
// noise and a red box walking across it, so that averaging visibly removes the noise and the
// median removes the box. With --handheld it writes a burst shot by hand instead: every frame
// shifted and turned a little, so that only an aligned average is sharp. With --night it writes a
// night of star trails with pauses between the frames and hot pixels, and darks to match. With
// --focus it writes a focus stack: the landscape seen through a lens focused from far to near, a
// slice at each step, so that only "Sharpest" is sharp everywhere.
#include "base/errors.h"
#include "demo/focus_scene.h"
#include "demo/handheld_scene.h"
#include "demo/night_sky.h"
#include "imaging/bitmap.h"
#include "output/atomic_save.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 400;

struct Colour {
  double red, green, blue;
};

/// The still scene: a sky fading to the horizon, a sun, and rolling hills (y = 0 is the bottom).
Colour sceneAt(int x, int y) {
  const double hill = 110 + 35 * std::sin(x / 70.0) + 20 * std::sin(x / 23.0 + 1.3);
  if (y < hill)
    return {40 + 30 * std::sin(x / 15.0), 110 + y / 3.0, 45};
  const double height = static_cast<double>(y) / kHeight;
  const double sunDistance = std::hypot(x - 470.0, y - 300.0);
  if (sunDistance < 38)
    return {255, 230, 150};
  return {90 + 80 * (1 - height), 140 + 60 * (1 - height), 235};
}

bool insideWalker(int x, int y, int frame, int frames) {
  const int left = 40 + frame * (kWidth - 120) / std::max(1, frames - 1);
  return x >= left && x < left + 40 && y >= 60 && y < 160;
}

void writeFrame(const std::string &path, int frame, int frames) {
  std::mt19937 noise(static_cast<unsigned>(1000 + frame));
  std::normal_distribution<double> grain(0.0, 18.0);
  lumicomb::Bitmap bitmap = lumicomb::allocateRgb24(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t *row = lumicomb::scanLine(bitmap.get(), y);
    for (int x = 0; x < kWidth; ++x) {
      Colour c = insideWalker(x, y, frame, frames) ? Colour{220, 30, 30} : sceneAt(x, y);
      auto channel = [&](double v) {
        return static_cast<uint8_t>(std::clamp(std::lround(v + grain(noise)), 0L, 255L));
      };
      row[3 * x + FI_RGBA_BLUE] = channel(c.blue);
      row[3 * x + FI_RGBA_GREEN] = channel(c.green);
      row[3 * x + FI_RGBA_RED] = channel(c.red);
    }
  }
  lumicomb::saveBitmapAtomically(bitmap.get(), path, FIF_PNG, 0);
}

/// Writes top-first interleaved RGB as a PNG.
void writeRgb(const std::vector<uint8_t> &rgb, int64_t width, int64_t height,
              const std::string &path) {
  lumicomb::Bitmap bitmap = lumicomb::allocateRgb24(width, height);
  for (int64_t y = 0; y < height; ++y) {
    uint8_t *row = lumicomb::scanLine(bitmap.get(), height - 1 - y);
    const uint8_t *from = &rgb[static_cast<size_t>(3 * y * width)];
    for (int64_t x = 0; x < width; ++x) {
      row[3 * x + FI_RGBA_RED] = from[3 * x];
      row[3 * x + FI_RGBA_GREEN] = from[3 * x + 1];
      row[3 * x + FI_RGBA_BLUE] = from[3 * x + 2];
    }
  }
  lumicomb::saveBitmapAtomically(bitmap.get(), path, FIF_PNG, 0);
}

/// Frame `frame` of a handheld burst: image 1 as shot, the others moved by up to 3% of the width
/// and turned by up to 1.5 degrees about the centre, each with its own noise.
void writeHandheldFrame(const std::string &path, int frame) {
  constexpr int kHandheldWidth = 720;
  constexpr int kHandheldHeight = 450;
  const double turn = frame == 0 ? 0 : 1.5 * std::sin(frame * 2.3) * M_PI / 180;
  const double dx = frame == 0 ? 0 : 21 * std::sin(frame * 1.7);
  const double dy = frame == 0 ? 0 : 13 * std::cos(frame * 0.9 + 1);
  const double cx = (kHandheldWidth - 1) / 2.0, cy = (kHandheldHeight - 1) / 2.0;
  const double c = std::cos(turn), s = std::sin(turn);
  lumicomb::HandheldShot shot;
  shot.toImageOne = {c, -s, cx - c * cx + s * cy + dx, s, c, cy - s * cx - c * cy + dy, 0, 0, 1};
  shot.noiseSigma = 16;
  shot.noiseSeed = static_cast<uint64_t>(500 + frame);
  writeRgb(lumicomb::renderHandheldFrame(kHandheldWidth, kHandheldHeight, shot), kHandheldWidth,
           kHandheldHeight, path);
}

/// A night of `frames` frames of 960x600 with 60 hot pixels, night_01.png ..., and five darks,
/// dark_1.png ..., in a folder of their own.
void writeNight(const std::filesystem::path &folder, int frames) {
  lumicomb::NightSettings settings;
  settings.frames = frames;
  settings.hotPixels = 60;
  const lumicomb::NightSky night(settings);
  for (int k = 0; k < frames; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "night_%02d.png", k + 1);
    writeRgb(night.frame(k), settings.width, settings.height, (folder / name).string());
  }
  std::filesystem::create_directories(folder / "darks");
  for (int j = 0; j < 5; ++j)
    writeRgb(night.dark(j), settings.width, settings.height,
             (folder / "darks" / ("dark_" + std::to_string(j + 1) + ".png")).string());
}

/// A focus stack of `frames` slices of the landscape, 720x450, focused from far to near with a
/// little sensor noise: slice_01.png ...
void writeFocusStack(const std::filesystem::path &folder, int frames) {
  constexpr int64_t kFocusWidth = 720;
  constexpr int64_t kFocusHeight = 450;
  lumicomb::DepthScene scene{
      kFocusWidth, kFocusHeight, {}, lumicomb::sceneDepths(kFocusWidth, kFocusHeight)};
  const std::vector<uint8_t> sharp =
      lumicomb::renderHandheldFrame(kFocusWidth, kFocusHeight, lumicomb::HandheldShot{});
  scene.rgb.assign(sharp.begin(), sharp.end());
  const lumicomb::FocusStackRenderer renderer(scene, 12);
  for (int k = 0; k < frames; ++k) {
    lumicomb::FocusShot shot;
    shot.focus = frames > 1 ? static_cast<double>(k) / (frames - 1) : 0;
    shot.noiseSigma = 2;
    shot.noiseSeed = static_cast<uint64_t>(700 + k);
    char name[32];
    std::snprintf(name, sizeof name, "slice_%02d.png", k + 1);
    writeRgb(renderer.render(shot), kFocusWidth, kFocusHeight, (folder / name).string());
  }
}

} // namespace

int main(int argc, char *argv[]) {
  const std::string kind = argc > 1 ? argv[1] : "";
  const bool handheld = kind == "--handheld";
  const bool night = kind == "--night";
  const bool focus = kind == "--focus";
  if (handheld || night || focus) {
    --argc;
    ++argv;
  }
  // A folder named like an option is a mistyped option (or --help), not a place to write frames.
  if (argc < 2 || argc > 3 || argv[1][0] == '-') {
    const bool asked = argc == 2 && (kind == "--help" || kind == "-h");
    (asked ? std::cout : std::cerr)
        << "usage: lumicomb-demo-stack [--handheld | --night | --focus] FOLDER [FRAMES]\n";
    return asked ? 0 : 2;
  }
  const int frames = argc == 3 ? std::clamp(std::atoi(argv[2]), 1, 99) : 7;
  try {
    std::filesystem::create_directories(argv[1]);
    if (night) {
      writeNight(argv[1], frames);
      return 0;
    }
    if (focus) {
      writeFocusStack(argv[1], frames);
      return 0;
    }
    for (int frame = 0; frame < frames; ++frame) {
      char name[32];
      std::snprintf(name, sizeof name, handheld ? "shot_%02d.png" : "frame_%02d.png", frame + 1);
      const std::string path = (std::filesystem::path(argv[1]) / name).string();
      if (handheld)
        writeHandheldFrame(path, frame);
      else
        writeFrame(path, frame, frames);
    }
  } catch (const std::exception &failure) {
    std::cerr << "lumicomb-demo-stack: " << failure.what() << "\n";
    return 1;
  }
  return 0;
}
