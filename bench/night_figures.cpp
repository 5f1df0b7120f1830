// lumicomb-night-figures: draws the synthetic night (stars about a pole above the frame, 25 s
// frames with 3-8 s pauses, noise, a dark ground, 60 hot pixels, five darks) into a folder,
// blends it the ways the night-sky options allow, and prints what each result is measured at.
// With --draw it only draws the night, as a camera's JPEGs, for timing runs on a long night.
//
//   lumicomb-night-figures FOLDER [FRAMES [WIDTH HEIGHT]]
//   lumicomb-night-figures --draw FOLDER FRAMES WIDTH HEIGHT
#include "app/dark_files.h"
#include "demo/night_sky.h"
#include "output/atomic_save.h"
#include "passes/run_blend.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using lumicomb::Bitmap;

class QuietObserver : public lumicomb::RunObserver {
public:
  void setProgressVisible(bool) override {}
  void setProgressMaximum(double) override {}
  void setProgressValue(int64_t) override {}
  void yield() override {}
  void warn(const std::string &message) override { std::cerr << "warning: " << message << "\n"; }
};

std::vector<uint8_t> topFirstRgb(const FIBITMAP *picture) {
  const int64_t width = lumicomb::widthOf(picture), height = lumicomb::heightOf(picture);
  std::vector<uint8_t> rgb(static_cast<size_t>(3 * width * height));
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t *row = lumicomb::scanLine(picture, height - 1 - y);
    for (int64_t x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        rgb[static_cast<size_t>(3 * (y * width + x) + c)] = row[3 * x + (c == 0   ? FI_RGBA_RED
                                                                         : c == 1 ? FI_RGBA_GREEN
                                                                                  : FI_RGBA_BLUE)];
  }
  return rgb;
}

void writeRgb(const std::vector<uint8_t> &rgb, int64_t width, int64_t height,
              const std::string &path, FREE_IMAGE_FORMAT format = FIF_PNG) {
  Bitmap bitmap = lumicomb::allocateRgb24(width, height);
  for (int64_t y = 0; y < height; ++y) {
    uint8_t *row = lumicomb::scanLine(bitmap.get(), height - 1 - y);
    for (int64_t x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        row[3 * x + (c == 0   ? FI_RGBA_RED
                     : c == 1 ? FI_RGBA_GREEN
                              : FI_RGBA_BLUE)] = rgb[static_cast<size_t>(3 * (y * width + x) + c)];
  }
  lumicomb::saveBitmapAtomically(bitmap.get(), path, format, format == FIF_JPEG ? 95 : 0);
}

struct Case {
  const char *name;
  int rule;
  bool closeGaps;
  bool darks;
  bool hotPixels;
};

/// Draws the frames as night_001.jpg ... and the darks as darks/dark_1.jpg ..., frames on two
/// threads since a long night takes a while to draw.
void drawNight(const lumicomb::NightSky &night, const fs::path &folder) {
  const lumicomb::NightSettings &settings = night.settings();
  const auto draw = [&](int first) {
    for (int k = first; k < settings.frames; k += 2) {
      char name[32];
      std::snprintf(name, sizeof name, "night_%03d.jpg", k + 1);
      writeRgb(night.frame(k), settings.width, settings.height, (folder / name).string(), FIF_JPEG);
    }
  };
  std::thread other(draw, 1);
  draw(0);
  other.join();
  for (int j = 0; j < 5; ++j)
    writeRgb(night.dark(j), settings.width, settings.height,
             (folder / "darks" / ("dark_" + std::to_string(j + 1) + ".jpg")).string(), FIF_JPEG);
}

} // namespace

int main(int argc, char *argv[]) {
  const bool drawOnly = argc == 6 && std::string(argv[1]) == "--draw";
  if (drawOnly) {
    ++argv;
    --argc;
  } else if (argc != 2 && argc != 3 && argc != 5) {
    std::cerr << "usage: lumicomb-night-figures FOLDER [FRAMES [WIDTH HEIGHT]]\n"
                 "       lumicomb-night-figures --draw FOLDER FRAMES WIDTH HEIGHT\n";
    return 2;
  }
  lumicomb::NightSettings settings;
  settings.hotPixels = 60;
  settings.frames = argc >= 3 ? std::atoi(argv[2]) : 20;
  if (argc == 5) {
    settings.width = std::atoi(argv[3]);
    settings.height = std::atoi(argv[4]);
  }
  const fs::path folder = argv[1];
  try {
    fs::create_directories(folder / "darks");
    const lumicomb::NightSky night(settings);
    if (drawOnly) {
      drawNight(night, folder);
      return 0;
    }
    std::vector<std::string> names;
    for (int k = 0; k < settings.frames; ++k) {
      char name[32];
      std::snprintf(name, sizeof name, "night_%03d.png", k + 1);
      names.push_back(name);
      writeRgb(night.frame(k), settings.width, settings.height, (folder / name).string());
    }
    for (int j = 0; j < 5; ++j)
      writeRgb(night.dark(j), settings.width, settings.height,
               (folder / "darks" / ("dark_" + std::to_string(j + 1) + ".png")).string());

    const std::vector<Case> cases = {
        {"brightest", 2, false, false, false},
        {"brightest --gap-fill", 2, true, false, false},
        {"comet", 10, false, false, false},
        {"comet --gap-fill", 10, true, false, false},
        {"brightest --hot-pixels", 2, false, false, true},
        {"brightest --dark", 2, false, true, false},
        {"brightest --dark --hot-pixels", 2, false, true, true},
        {"brightest --gap-fill --dark --hot-pixels", 2, true, true, true},
    };
    std::printf("%d frames of %lldx%lld, %d hot pixels\n", settings.frames,
                static_cast<long long>(settings.width), static_cast<long long>(settings.height),
                settings.hotPixels);
    std::printf("%-42s %9s %9s %7s %8s %9s %8s\n", "run", "gaps lit", "trails", "stray", "sky med",
                "hot left", "ms");
    for (const Case &run : cases) {
      lumicomb::ImageSet set;
      set.append(folder.string(), names);
      if (run.darks)
        lumicomb::addDarkFiles(set, {(folder / "darks").string()});
      lumicomb::BlendRequest request;
      request.rule = run.rule;
      request.closeGaps = run.closeGaps;
      request.removeHotPixels = run.hotPixels;
      QuietObserver observer;
      const auto start = std::chrono::steady_clock::now();
      const lumicomb::BlendOutcome outcome = lumicomb::runBlend(set, request, observer);
      const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - start)
                                    .count();
      const std::vector<uint8_t> rgb = topFirstRgb(outcome.picture.get());
      const lumicomb::NightFigures figures = night.measure(rgb);
      std::printf("%-42s %8.1f%% %8.1f%% %7lld %8.1f %4lld/%-4lld %8lld\n", run.name,
                  100 * figures.gapShareLit, 100 * figures.trailShareLit,
                  static_cast<long long>(figures.strayPixels), figures.skyMedian,
                  static_cast<long long>(figures.hotPixelsLeft),
                  static_cast<long long>(figures.hotPixelsMeasured),
                  static_cast<long long>(milliseconds));
      std::string file = run.name;
      for (char &c : file)
        if (c == ' ')
          c = '_';
      writeRgb(rgb, settings.width, settings.height,
               (folder / ("result_" + file + ".png")).string());
    }
  } catch (const std::exception &failure) {
    std::cerr << "lumicomb-night-figures: " << failure.what() << "\n";
    return 1;
  }
  return 0;
}
