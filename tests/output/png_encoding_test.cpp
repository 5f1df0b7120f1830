// Lumicomb's own PNG encoder, read back by libpng through the image library.
#include "imaging/photo_info.h"
#include "output/png_encoding.h"
#include "support/test_images.h"
#include "support/test_profiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace lumicomb {
namespace {

/// Random samples at either depth: 24-bit, or 48-bit with every bit of the words used.
Bitmap randomBitmap(int64_t width, int64_t height, SampleDepth depth, std::mt19937 &random) {
  Bitmap bitmap = allocateRgb(width, height, depth);
  const size_t rowBytes = static_cast<size_t>(width) * 3 * bytesPerSample(depth);
  for (int64_t y = 0; y < height; ++y)
    for (size_t i = 0; i < rowBytes; ++i)
      scanLine(bitmap.get(), y)[i] = static_cast<uint8_t>(random());
  return bitmap;
}

std::string encoded(FIBITMAP *bitmap, int threads, int level = kPngLevel) {
  std::string bytes;
  EXPECT_TRUE(encodePng(
      bitmap,
      [&](const uint8_t *data, size_t count) {
        bytes.append(reinterpret_cast<const char *>(data), count);
        return true;
      },
      threads, level));
  return bytes;
}

TEST(PngEncoding, EveryDepthAndLevelReadsBackExactlyWithItsProfileAndResolution) {
  std::mt19937 random{17};
  for (const auto &[depth, level] : {std::pair{SampleDepth::Eight, kPngLevel},
                                     {SampleDepth::Sixteen, kPngLevel},
                                     {SampleDepth::Eight, kFastestPngLevel},
                                     {SampleDepth::Sixteen, kFastestPngLevel}}) {
    SCOPED_TRACE(static_cast<int>(depth) * 100 + level);
    // Taller than one band of rows, so that bands meet; smooth rows choose other filters.
    Bitmap bitmap = randomBitmap(37, 75, depth, random);
    for (int64_t y = 40; y < 75; ++y)
      std::fill_n(scanLine(bitmap.get(), y), 37 * 3 * bytesPerSample(depth), uint8_t(y));
    test::embedProfile(bitmap.get(), test::wideGamutProfile());
    FreeImage_SetDotsPerMeterX(bitmap.get(), 11811);
    std::string bytes = encoded(bitmap.get(), 0, level);
    FIMEMORY *memory = FreeImage_OpenMemory(reinterpret_cast<BYTE *>(bytes.data()),
                                            static_cast<DWORD>(bytes.size()));
    const Bitmap back(FreeImage_LoadFromMemory(FIF_PNG, memory, 0));
    FreeImage_CloseMemory(memory);
    ASSERT_TRUE(back);
    ASSERT_EQ(FreeImage_GetImageType(back.get()), FreeImage_GetImageType(bitmap.get()));
    ASSERT_EQ(FreeImage_GetBPP(back.get()), FreeImage_GetBPP(bitmap.get()));
    for (int64_t y = 0; y < 75; ++y)
      ASSERT_EQ(std::memcmp(scanLine(back.get(), y), scanLine(bitmap.get(), y),
                            37 * 3 * bytesPerSample(depth)),
                0)
          << "row " << y;
    // The library's reader leaves the profile out; the program reads it with Exiv2.
    const PhotoInfo info = readPhotoInfo(reinterpret_cast<const uint8_t *>(bytes.data()),
                                         bytes.size(), "encoded", false);
    EXPECT_EQ(info.iccProfile, test::wideGamutProfile());
    EXPECT_EQ(FreeImage_GetDotsPerMeterX(back.get()), 11811u);
  }
}

TEST(PngEncoding, TheBytesAreTheSameOnAnyThreadAndAnyNumberOfThem) {
  std::mt19937 random{3};
  const Bitmap bitmap = randomBitmap(64, 200, SampleDepth::Eight, random);
  const std::string alone = encoded(bitmap.get(), 1);
  std::vector<std::string> side(3);
  std::vector<std::jthread> threads;
  for (std::string &bytes : side)
    threads.emplace_back([&] { bytes = encoded(bitmap.get(), 4); });
  threads.clear();
  for (const std::string &bytes : side)
    EXPECT_TRUE(bytes == alone);
}

TEST(PngEncoding, TakesRgbWithinItsBuffersAndStopsAtARefusedWrite) {
  std::mt19937 random{5};
  const Bitmap bitmap = randomBitmap(40, 30, SampleDepth::Eight, random);
  EXPECT_TRUE(encodesAsPng(bitmap.get(), 30 * 121));
  EXPECT_FALSE(encodesAsPng(bitmap.get(), 30 * 121 - 1));
  const Bitmap withAlpha(FreeImage_ConvertTo32Bits(bitmap.get()));
  EXPECT_FALSE(encodesAsPng(withAlpha.get(), UINT64_MAX));
  int writes = 0;
  EXPECT_FALSE(encodePng(bitmap.get(), [&](const uint8_t *, size_t) { return ++writes < 5; }));
  EXPECT_EQ(writes, 5);
}

} // namespace
} // namespace lumicomb
