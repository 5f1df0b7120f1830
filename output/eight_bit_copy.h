#pragma once
// A 16-bit result brought down to 8 bits a channel for the file types that hold no more.
#include "imaging/bitmap.h"

namespace lumicomb {

/// A 24-bit copy (blue, green, red) of a 48-bit picture (red, green, blue), every sample its
/// eightBitEquivalent, which rounds where the library's own conversion would cut.
Bitmap eightBitCopy(const FIBITMAP *picture);

} // namespace lumicomb
