// lumicomb-demo-stack: writes a burst of frames of one synthetic scene, each with its own sensor
// noise and a red box walking across it, so that averaging visibly removes the noise and the
// median removes the box.
#include "base/errors.h"
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

} // namespace

int main(int argc, char *argv[]) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: lumicomb-demo-stack FOLDER [FRAMES]\n";
    return 2;
  }
  const int frames = argc == 3 ? std::clamp(std::atoi(argv[2]), 1, 99) : 7;
  try {
    std::filesystem::create_directories(argv[1]);
    for (int frame = 0; frame < frames; ++frame) {
      char name[32];
      std::snprintf(name, sizeof name, "frame_%02d.png", frame + 1);
      writeFrame((std::filesystem::path(argv[1]) / name).string(), frame, frames);
    }
  } catch (const std::exception &failure) {
    std::cerr << "lumicomb-demo-stack: " << failure.what() << "\n";
    return 1;
  }
  return 0;
}
