#pragma once
// Handheld bursts with known transforms, as pictures and files the engine reads.
#include "align/frame_transform.h"
#include "demo/handheld_scene.h"
#include "support/test_images.h"

namespace lumicomb::test {

/// Interleaved 8-bit red, green and blue, top row first, as a picture in the library's row order.
Picture fromTopDown(const std::vector<uint8_t> &rgb, int64_t width, int64_t height);

/// The rendered frame in the library's row order.
Picture handheldPicture(int64_t width, int64_t height, const HandheldShot &shot);

/// A shot moved by (dx, dy) pixels and turned by `degrees` about the picture's centre, with
/// noise; its transform is measured from the top row, as the renderer takes it.
HandheldShot handheldShot(int64_t width, int64_t height, double dx, double dy, double degrees,
                          double noise, uint64_t noiseSeed);

/// A transform measured from the top row, measured instead from the bottom row as the engine
/// measures its bitmaps'.
FrameTransform fromBottomRow(const std::array<double, 9> &fromTop, int64_t height);

} // namespace lumicomb::test
