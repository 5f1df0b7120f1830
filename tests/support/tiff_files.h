#pragma once
// TIFF files written with libtiff itself, in layouts the image library's own writer does not
// make: 1-bit Group 4, BigTIFF, YCbCr, each with an Orientation tag.
#include "support/test_images.h"

#include <string>

namespace lumicomb::test {

enum class TiffKind {
  OneBitGroup4, ///< white where red is 128 or more, black elsewhere; stored min-is-white
  EightBitGrey, ///< the red samples
  YCbCrJpeg,    ///< JPEG-compressed YCbCr, which the image library reads through libtiff's RGBA
};

struct TiffLayout {
  TiffKind kind = TiffKind::EightBitGrey;
  bool big = false;    ///< BigTIFF
  int orientation = 1; ///< the first directory's Orientation tag
};

void writeTiff(const Picture &picture, const std::string &path, const TiffLayout &layout);

/// The picture as the kind stores it, for the lossless kinds.
Picture storedAs(const Picture &picture, TiffKind kind);

} // namespace lumicomb::test
