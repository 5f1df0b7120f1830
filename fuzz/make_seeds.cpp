// Writes the decoder fuzzer's starting corpus: one tiny picture for each pixel layout and
// compression of the five stacked formats, so that mutation starts inside every decoder path
// instead of having to discover each file signature by chance.
#include <FreeImage.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

struct BitmapUnloader {
  void operator()(FIBITMAP *bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapUnloader>;

/// A colour ramp with a different slope per channel, so every conversion has something to do.
Bitmap colourRamp(int width, int height) {
  Bitmap bitmap(FreeImage_Allocate(width, height, 24));
  for (int y = 0; y < height; ++y) {
    BYTE *row = FreeImage_GetScanLine(bitmap.get(), y);
    for (int x = 0; x < width; ++x) {
      row[x * 3 + FI_RGBA_RED] = static_cast<BYTE>(x * 255 / width);
      row[x * 3 + FI_RGBA_GREEN] = static_cast<BYTE>(y * 255 / height);
      row[x * 3 + FI_RGBA_BLUE] = static_cast<BYTE>((x + y) * 13);
    }
  }
  return bitmap;
}

Bitmap withAlpha(int width, int height) {
  Bitmap bitmap(FreeImage_ConvertTo32Bits(colourRamp(width, height).get()));
  for (int y = 0; y < height; ++y) {
    BYTE *row = FreeImage_GetScanLine(bitmap.get(), y);
    for (int x = 0; x < width; ++x)
      row[x * 4 + FI_RGBA_ALPHA] = static_cast<BYTE>(x * 40);
  }
  return bitmap;
}

Bitmap grey(int width, int height) {
  return Bitmap(FreeImage_ConvertToGreyscale(colourRamp(width, height).get()));
}

Bitmap palette(int width, int height) {
  return Bitmap(FreeImage_ColorQuantizeEx(colourRamp(width, height).get(), FIQ_WUQUANT, 16));
}

Bitmap converted(Bitmap source, FIBITMAP *(*convert)(FIBITMAP *)) {
  return Bitmap(convert(source.get()));
}

Bitmap ofType(Bitmap source, FREE_IMAGE_TYPE type) {
  return Bitmap(FreeImage_ConvertToType(source.get(), type, TRUE));
}

using Bytes = std::vector<uint8_t>;

void putLittleEndian32(Bytes &bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

/// The library's RLE8 writer ends the last row with an end-of-line before the end-of-bitmap,
/// which its own reader then refuses; without that marker the file reads back.
Bytes withoutLastEndOfLine(Bytes bytes) {
  const Bytes endings{0, 0, 0, 1};
  if (bytes.size() > 54 && std::equal(endings.begin(), endings.end(), bytes.end() - 4)) {
    bytes.erase(bytes.end() - 4, bytes.end() - 2);
    putLittleEndian32(bytes, 2, static_cast<uint32_t>(bytes.size()));
    const uint32_t pixelsStart = bytes[10] | bytes[11] << 8 | bytes[12] << 16 | bytes[13] << 24;
    putLittleEndian32(bytes, 34, static_cast<uint32_t>(bytes.size() - pixelsStart));
  }
  return bytes;
}

Bytes unchanged(Bytes bytes) { return bytes; }

struct Seed {
  const char *name;
  FREE_IMAGE_FORMAT format;
  std::function<Bitmap()> picture;
  int flags = 0;
  Bytes (*mend)(Bytes) = unchanged;
};

/// The file the library writes for the seed, or nothing when it cannot.
std::optional<Bytes> encoded(const Seed &seed) {
  const Bitmap picture = seed.picture();
  const std::unique_ptr<FIMEMORY, void (*)(FIMEMORY *)> memory(FreeImage_OpenMemory(),
                                                               FreeImage_CloseMemory);
  if (!picture || !FreeImage_SaveToMemory(seed.format, picture.get(), memory.get(), seed.flags))
    return std::nullopt;
  BYTE *data = nullptr;
  DWORD size = 0;
  FreeImage_AcquireMemory(memory.get(), &data, &size);
  return seed.mend(Bytes(data, data + size));
}

bool writeFile(const std::string &path, const Bytes &bytes) {
  std::FILE *file = std::fopen(path.c_str(), "wb");
  if (!file)
    return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

std::vector<Seed> seeds() {
  return {
      {"colour.jpg", FIF_JPEG, [] { return colourRamp(16, 9); }, JPEG_QUALITYGOOD},
      {"grey.jpg", FIF_JPEG, [] { return grey(9, 7); }},
      {"progressive.jpg", FIF_JPEG, [] { return colourRamp(17, 9); }, JPEG_PROGRESSIVE},
      {"subsampling-444.jpg", FIF_JPEG, [] { return colourRamp(5, 4); }, JPEG_SUBSAMPLING_444},
      {"rgb.png", FIF_PNG, [] { return colourRamp(7, 5); }},
      {"rgba.png", FIF_PNG, [] { return withAlpha(6, 4); }},
      {"grey.png", FIF_PNG, [] { return grey(5, 3); }},
      {"palette.png", FIF_PNG, [] { return palette(9, 6); }},
      {"four-bit.png", FIF_PNG, [] { return converted(grey(11, 3), FreeImage_ConvertTo4Bits); }},
      {"one-bit.png", FIF_PNG, [] { return Bitmap(FreeImage_Threshold(grey(13, 4).get(), 128)); }},
      {"rgb-16bit.png", FIF_PNG, [] { return ofType(colourRamp(4, 3), FIT_RGB16); }},
      {"grey-16bit.png", FIF_PNG, [] { return ofType(grey(4, 4), FIT_UINT16); }},
      {"rgba-16bit.png", FIF_PNG, [] { return ofType(withAlpha(4, 3), FIT_RGBA16); }},
      {"rgb.tif", FIF_TIFF, [] { return colourRamp(7, 4); }, TIFF_NONE},
      {"lzw.tif", FIF_TIFF, [] { return colourRamp(13, 7); }, TIFF_LZW},
      {"deflate.tif", FIF_TIFF, [] { return colourRamp(10, 6); }, TIFF_ADOBE_DEFLATE},
      {"packbits-palette.tif", FIF_TIFF, [] { return palette(8, 5); }, TIFF_PACKBITS},
      {"grey.tif", FIF_TIFF, [] { return grey(6, 5); }, TIFF_NONE},
      {"rgb-16bit.tif", FIF_TIFF, [] { return ofType(colourRamp(5, 3), FIT_RGB16); }, TIFF_NONE},
      {"grey-16bit.tif", FIF_TIFF, [] { return ofType(grey(4, 3), FIT_UINT16); }, TIFF_LZW},
      {"rgb-float.tif", FIF_TIFF, [] { return ofType(colourRamp(4, 3), FIT_RGBF); }, TIFF_NONE},
      {"rgba-float.tif", FIF_TIFF, [] { return ofType(withAlpha(3, 2), FIT_RGBAF); }, TIFF_NONE},
      {"complex.tif", FIF_TIFF, [] { return ofType(ofType(grey(3, 2), FIT_DOUBLE), FIT_COMPLEX); },
       TIFF_NONE},
      {"grey-float.tif", FIF_TIFF, [] { return ofType(grey(4, 3), FIT_FLOAT); }, TIFF_NONE},
      {"grey-double.tif", FIF_TIFF, [] { return ofType(grey(3, 3), FIT_DOUBLE); }, TIFF_NONE},
      {"grey-signed-16bit.tif", FIF_TIFF, [] { return ofType(grey(5, 2), FIT_INT16); }, TIFF_NONE},
      {"cmyk.tif", FIF_TIFF, [] { return withAlpha(4, 3); }, TIFF_CMYK},
      {"jpeg.tif", FIF_TIFF, [] { return colourRamp(16, 8); }, TIFF_JPEG},
      {"rgb.bmp", FIF_BMP, [] { return colourRamp(5, 3); }},
      {"palette.bmp", FIF_BMP, [] { return palette(7, 4); }},
      {"rle8.bmp", FIF_BMP, [] { return palette(12, 5); }, BMP_SAVE_RLE, withoutLastEndOfLine},
      {"rgb565.bmp", FIF_BMP,
       [] { return converted(colourRamp(6, 3), FreeImage_ConvertTo16Bits565); }},
      {"rgb555.bmp", FIF_BMP,
       [] { return converted(colourRamp(5, 3), FreeImage_ConvertTo16Bits555); }},
      {"rgba.bmp", FIF_BMP, [] { return withAlpha(4, 3); }},
      {"four-bit.bmp", FIF_BMP, [] { return converted(grey(9, 3), FreeImage_ConvertTo4Bits); }},
      {"lossy.webp", FIF_WEBP, [] { return colourRamp(16, 9); }},
      {"lossless.webp", FIF_WEBP, [] { return colourRamp(9, 5); }, WEBP_LOSSLESS},
      {"alpha.webp", FIF_WEBP, [] { return withAlpha(8, 4); }, WEBP_LOSSLESS},
      // A format Lumicomb refuses, so that the refusal after identification is covered too.
      {"palette.gif", FIF_GIF, [] { return palette(4, 3); }},
  };
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  int failures = 0;
  for (const Seed &seed : seeds()) {
    const std::string path = folder + "/" + seed.name;
    const std::optional<Bytes> bytes = encoded(seed);
    if (!bytes || !writeFile(path, *bytes)) {
      std::fprintf(stderr, "make_seeds: cannot write '%s'\n", path.c_str());
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
