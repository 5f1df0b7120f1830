// Makes the bench's focus stacks and exposure brackets from a photograph, and measures results
// against the photograph they were made from.
//
//   lumicomb-fusion-tool stack PHOTO DIR SLICES [NOISE [BREATHING [BLUR]]]
//       DIR/slice-01.tif ...: PHOTO focused from far to near (sceneDepths), with sensor noise of
//       NOISE 8-bit levels and the last slice magnified BREATHING times; BLUR is the blur disc's
//       radius a whole depth from focus, in thousandths of the width (default 3); DIR/sharp.png
//       is PHOTO as it was read.
//   lumicomb-fusion-tool bracket PHOTO DIR EV...
//       DIR/ev-1.jpg, ev+1.jpg ...: PHOTO's linear light scaled by 2^EV, clipped and saved as a
//       camera would, as JPEG of quality 95.
//   lumicomb-fusion-tool psnr RESULT PHOTO [X Y]
//       PSNR of RESULT against PHOTO, whole and within 8 pixels of a depth step, RESULT's top-left
//       corner at (X, Y) of PHOTO.
//   lumicomb-fusion-tool compare A B       PSNR of A against B, and each one's clipped samples.
//
// PHOTO may be "landscape:WxH", the tests' drawn landscape.
#include "demo/focus_scene.h"
#include "demo/handheld_scene.h"

#include <FreeImage.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using lumicomb::DepthScene;

struct Rgb8 {
  int64_t width = 0;
  int64_t height = 0;
  std::vector<uint8_t> samples; ///< red, green, blue, top row first
};

[[noreturn]] void fail(const std::string &message) {
  std::fprintf(stderr, "lumicomb-fusion-tool: %s\n", message.c_str());
  std::exit(1);
}

Rgb8 load(const std::string &path) {
  int width = 0, height = 0;
  if (std::sscanf(path.c_str(), "landscape:%dx%d", &width, &height) == 2)
    return {width, height, lumicomb::renderHandheldFrame(width, height, {})};
  FIBITMAP *loaded = FreeImage_Load(FreeImage_GetFileType(path.c_str(), 0), path.c_str(), 0);
  if (!loaded)
    fail("cannot read " + path);
  FIBITMAP *rgb = FreeImage_ConvertTo24Bits(loaded);
  FreeImage_Unload(loaded);
  Rgb8 picture{FreeImage_GetWidth(rgb), FreeImage_GetHeight(rgb), {}};
  picture.samples.resize(static_cast<size_t>(3 * picture.width * picture.height));
  for (int64_t y = 0; y < picture.height; ++y) {
    const BYTE *row = FreeImage_GetScanLine(rgb, static_cast<int>(picture.height - 1 - y));
    for (int64_t x = 0; x < picture.width; ++x)
      for (int c = 0; c < 3; ++c)
        picture.samples[static_cast<size_t>(3 * (y * picture.width + x) + c)] =
            row[3 * x + (c == 0   ? FI_RGBA_RED
                         : c == 1 ? FI_RGBA_GREEN
                                  : FI_RGBA_BLUE)];
  }
  FreeImage_Unload(rgb);
  return picture;
}

void save(const Rgb8 &picture, const std::string &path) {
  FIBITMAP *bitmap =
      FreeImage_Allocate(static_cast<int>(picture.width), static_cast<int>(picture.height), 24);
  for (int64_t y = 0; y < picture.height; ++y) {
    BYTE *row = FreeImage_GetScanLine(bitmap, static_cast<int>(picture.height - 1 - y));
    for (int64_t x = 0; x < picture.width; ++x)
      for (int c = 0; c < 3; ++c)
        row[3 * x + (c == 0   ? FI_RGBA_RED
                     : c == 1 ? FI_RGBA_GREEN
                              : FI_RGBA_BLUE)] =
            picture.samples[static_cast<size_t>(3 * (y * picture.width + x) + c)];
  }
  const FREE_IMAGE_FORMAT format = path.ends_with(".jpg")   ? FIF_JPEG
                                   : path.ends_with(".tif") ? FIF_TIFF
                                                            : FIF_PNG;
  const int flags = format == FIF_JPEG ? 95 : format == FIF_TIFF ? TIFF_NONE : PNG_Z_BEST_SPEED;
  if (!FreeImage_Save(format, bitmap, path.c_str(), flags))
    fail("cannot write " + path);
  FreeImage_Unload(bitmap);
}

DepthScene sceneOf(const Rgb8 &photo) {
  DepthScene scene{photo.width, photo.height, {}, lumicomb::sceneDepths(photo.width, photo.height)};
  scene.rgb.assign(photo.samples.begin(), photo.samples.end());
  return scene;
}

int makeStack(int argc, char **argv) {
  if (argc < 5)
    fail("stack PHOTO DIR SLICES [NOISE [BREATHING [BLUR]]]");
  const Rgb8 photo = load(argv[2]);
  const std::string folder = argv[3];
  const int slices = std::atoi(argv[4]);
  const double noise = argc > 5 ? std::atof(argv[5]) : 0;
  const double breathing = argc > 6 ? std::atof(argv[6]) : 1;
  const double blur = (argc > 7 ? std::atof(argv[7]) : 3) / 1000 * static_cast<double>(photo.width);
  save(photo, folder + "/sharp.png");
  const lumicomb::FocusStackRenderer renderer(sceneOf(photo), blur);
  for (int k = 0; k < slices; ++k) {
    const double along = slices > 1 ? static_cast<double>(k) / (slices - 1) : 0;
    lumicomb::FocusShot shot;
    shot.focus = along;
    shot.magnification = 1 + (breathing - 1) * along;
    shot.noiseSigma = noise;
    shot.noiseSeed = static_cast<uint64_t>(k + 1);
    char name[32];
    std::snprintf(name, sizeof name, "/slice-%02d.tif", k + 1);
    save({photo.width, photo.height, renderer.render(shot)}, folder + name);
  }
  return 0;
}

int makeBracket(int argc, char **argv) {
  if (argc < 5)
    fail("bracket PHOTO DIR EV...");
  const Rgb8 photo = load(argv[2]);
  for (int k = 4; k < argc; ++k) {
    const double ev = std::atof(argv[k]);
    Rgb8 frame = photo;
    for (uint8_t &v : frame.samples)
      v = lumicomb::exposedSample(v, ev);
    char name[32];
    std::snprintf(name, sizeof name, "/ev%+g.jpg", ev);
    save(frame, std::string(argv[3]) + name);
  }
  return 0;
}

/// PSNR over the pixels `inside` marks (all when empty), b's pixel (x + x0, y + y0) against a's.
double psnr(const Rgb8 &a, const Rgb8 &b, int64_t x0, int64_t y0, const std::vector<bool> &inside) {
  double squares = 0;
  int64_t samples = 0;
  for (int64_t y = 0; y < a.height; ++y)
    for (int64_t x = 0; x < a.width; ++x) {
      const auto at = static_cast<size_t>((y + y0) * b.width + x + x0);
      if (!inside.empty() && !inside[at])
        continue;
      for (int c = 0; c < 3; ++c) {
        const double d = a.samples[static_cast<size_t>(3 * (y * a.width + x) + c)] -
                         b.samples[3 * at + static_cast<size_t>(c)];
        squares += d * d;
      }
      samples += 3;
    }
  return 10 * std::log10(255.0 * 255 * static_cast<double>(samples) / std::max(squares, 1e-9));
}

int64_t clipped(const Rgb8 &picture) {
  return std::count_if(picture.samples.begin(), picture.samples.end(),
                       [](uint8_t v) { return v == 0 || v == 255; });
}

int measure(int argc, char **argv) {
  if (argc < 4)
    fail("psnr RESULT PHOTO [X Y]");
  const Rgb8 result = load(argv[2]);
  const Rgb8 photo = load(argv[3]);
  const int64_t x0 = argc > 5 ? std::atoll(argv[4]) : 0;
  const int64_t y0 = argc > 5 ? std::atoll(argv[5]) : 0;
  if (x0 + result.width > photo.width || y0 + result.height > photo.height)
    fail("the result does not lie within the photograph");
  const std::vector<bool> band = lumicomb::depthStepBand(sceneOf(photo), 8);
  std::printf("%.2f %.2f\n", psnr(result, photo, x0, y0, {}), psnr(result, photo, x0, y0, band));
  return 0;
}

int compare(int argc, char **argv) {
  if (argc < 4)
    fail("compare A B");
  const Rgb8 a = load(argv[2]);
  const Rgb8 b = load(argv[3]);
  if (a.width != b.width || a.height != b.height)
    fail("the pictures differ in size");
  std::printf("%.2f %lld %lld\n", psnr(a, b, 0, 0, {}), static_cast<long long>(clipped(a)),
              static_cast<long long>(clipped(b)));
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  FreeImage_Initialise();
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "stack")
    return makeStack(argc, argv);
  if (command == "bracket")
    return makeBracket(argc, argv);
  if (command == "psnr")
    return measure(argc, argv);
  if (command == "compare")
    return compare(argc, argv);
  fail("stack | bracket | psnr | compare");
}
