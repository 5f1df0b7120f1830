#pragma once
// 16-bit test pictures as the library's 48-bit bitmaps and as files.
#include "support/reference_blends.h"

namespace lumicomb::test {

Bitmap toWideBitmap(const WidePicture &picture);
/// A 48-bit bitmap's samples; anything else fails.
WidePicture toWidePicture(const FIBITMAP *bitmap);

/// Writes the stack as 48-bit TIFFs and PNGs by turns, and returns their names.
std::vector<std::string> writeWideStack(const TempDir &dir, const std::vector<WidePicture> &stack);

} // namespace lumicomb::test
