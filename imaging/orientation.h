#pragma once
// Turning a picture stored sideways or mirrored upright, as its EXIF or TIFF orientation says
// and as viewers show it, so that sources are compared and blended the way they were taken.
#include "imaging/bitmap.h"

namespace lumicomb {

/// The width and height of a stored picture once it stands upright: orientations 5 to 8 turn
/// it a quarter.
void orientSize(int orientation, int64_t &width, int64_t &height);

/// What is left to do for a picture stored with this orientation once a reader has mirrored it
/// as libtiff's RGBA interface does: that interface puts the stored first row and column where
/// the tag says by mirroring alone and never turns, so of 2-4 nothing is left, and 5-8 are still
/// to be turned over a diagonal.
int orientationAfterMirroring(int orientation);

/// The picture upright: orientation 1 (or any value outside 1-8) returns it as it is; the others
/// mirror and turn it. Takes 24-bit and 48-bit RGB.
Bitmap upright(Bitmap picture, int orientation);

} // namespace lumicomb
