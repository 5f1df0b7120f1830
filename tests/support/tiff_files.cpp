#include "support/tiff_files.h"

#include <tiffio.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace lumicomb::test {
namespace {

struct ClosedTiff {
  void operator()(TIFF *tiff) const { TIFFClose(tiff); }
};

/// Row y counted from the top, packed as the kind stores it.
std::vector<uint8_t> rowOf(const Picture &picture, int64_t y, TiffKind kind) {
  std::vector<uint8_t> row;
  if (kind == TiffKind::OneBitGroup4)
    row.resize(static_cast<size_t>((picture.width + 7) / 8));
  for (int64_t x = 0; x < picture.width; ++x) {
    const Rgb &pixel = picture.at(x, picture.height - 1 - y);
    if (kind == TiffKind::OneBitGroup4 && pixel.red < 128)
      row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
    else if (kind == TiffKind::EightBitGrey)
      row.push_back(pixel.red);
    else if (kind == TiffKind::YCbCrJpeg)
      row.insert(row.end(), {pixel.red, pixel.green, pixel.blue});
  }
  return row;
}

} // namespace

void writeTiff(const Picture &picture, const std::string &path, const TiffLayout &layout) {
  const std::unique_ptr<TIFF, ClosedTiff> tiff(TIFFOpen(path.c_str(), layout.big ? "w8" : "w"));
  if (!tiff)
    throw std::runtime_error("cannot write " + path);
  TIFF *t = tiff.get();
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(picture.width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(picture.height));
  TIFFSetField(t, TIFFTAG_ORIENTATION, static_cast<uint16_t>(layout.orientation));
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(picture.height));
  switch (layout.kind) {
  case TiffKind::OneBitGroup4:
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    break;
  case TiffKind::EightBitGrey:
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    break;
  case TiffKind::YCbCrJpeg:
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    break;
  }
  for (int64_t y = 0; y < picture.height; ++y) {
    std::vector<uint8_t> row = rowOf(picture, y, layout.kind);
    if (TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0) < 0)
      throw std::runtime_error("cannot write " + path);
  }
}

Picture storedAs(const Picture &picture, TiffKind kind) {
  Picture stored = picture;
  for (Rgb &pixel : stored.pixels) {
    const uint8_t grey = kind == TiffKind::OneBitGroup4 ? (pixel.red >= 128 ? 255 : 0) : pixel.red;
    pixel = {grey, grey, grey};
  }
  return stored;
}

} // namespace lumicomb::test
