#pragma once
// Focus stacks and exposure brackets with a known answer, as pictures the engine reads, and how
// close a result comes to that answer.
#include "demo/focus_scene.h"
#include "support/test_images.h"

namespace lumicomb::test {

/// The handheld landscape as the sharp picture of a scene with sceneDepths.
DepthScene landscapeScene(int64_t width, int64_t height);

struct StackVariant {
  int slices = 6;
  double blurRadius = 8;
  double noiseSigma = 0;
  /// The last slice's magnification; the ones between grow evenly from 1.
  double breathing = 1;
};

/// The scene's slices focused from far to near, in the library's row order.
std::vector<Picture> focusStack(const DepthScene &scene, const StackVariant &variant);

/// The scene's sharp picture, in the library's row order.
Picture sharpPicture(const DepthScene &scene);

/// Peak signal to noise of `picture` against `truth` in dB, over the pixels `inside` marks in the
/// library's row order (all when empty), both cut to `x0, y0` and the picture's size.
double psnr(const Picture &picture, const Picture &truth, const std::vector<bool> &inside = {},
            int64_t x0 = 0, int64_t y0 = 0);

/// `band` (top row first, as depthStepBand makes it) in the library's row order.
std::vector<bool> bottomUp(const std::vector<bool> &band, int64_t width, int64_t height);

/// The picture with its linear light scaled by 2^ev (sRGB curve), clipped and rounded: one frame
/// of an exposure bracket.
Picture exposed(const Picture &picture, double ev);

/// How many of the picture's samples are 0 or 255.
int64_t clippedSamples(const Picture &picture);

} // namespace lumicomb::test
