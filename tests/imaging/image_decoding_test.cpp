#include "base/errors.h"
#include "imaging/image_decoding.h"
#include "imaging/library_messages.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace lumicomb {
namespace {

using test::Rgb;

Rgb pixelOf(const FIBITMAP *bitmap, int64_t x, int64_t y) {
  const uint8_t *row = scanLine(bitmap, y);
  return {row[3 * x + FI_RGBA_RED], row[3 * x + FI_RGBA_GREEN], row[3 * x + FI_RGBA_BLUE]};
}

class Decoding : public ::testing::Test {
protected:
  test::TempDir dir;

  /// Saves a bitmap made by `make` and decodes the file again.
  DecodedImage roundTrip(FIBITMAP *made, FREE_IMAGE_FORMAT format, const std::string &name) {
    const Bitmap owned(made);
    EXPECT_TRUE(FreeImage_Save(format, owned.get(), dir.file(name).c_str(), 0)) << name;
    DecodedImage decoded = decodeImageFile(dir.file(name));
    EXPECT_EQ(FreeImage_GetBPP(decoded.rgb.get()), 24u) << name;
    return decoded;
  }
};

FIBITMAP *greyRamp8() {
  FIBITMAP *bitmap = FreeImage_Allocate(4, 1, 8);
  RGBQUAD *palette = FreeImage_GetPalette(bitmap);
  for (int i = 0; i < 256; ++i)
    palette[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
  BYTE *row = FreeImage_GetScanLine(bitmap, 0);
  row[0] = 0, row[1] = 50, row[2] = 200, row[3] = 255;
  return bitmap;
}

TEST_F(Decoding, EightBitGreyAndPalettesReadAsTheColourAViewerShows) {
  const DecodedImage grey = roundTrip(greyRamp8(), FIF_PNG, "grey.png");
  EXPECT_EQ(grey.header.bitsPerPixel, 8);
  EXPECT_EQ(pixelOf(grey.rgb.get(), 2, 0), (Rgb{200, 200, 200}));

  FIBITMAP *palette4 = FreeImage_Allocate(2, 1, 4);
  FreeImage_GetPalette(palette4)[3] = {10, 20, 30, 0}; // blue, green, red
  FreeImage_GetScanLine(palette4, 0)[0] = 0x30;        // pixel 0 uses entry 3
  const DecodedImage four = roundTrip(palette4, FIF_BMP, "four.bmp");
  EXPECT_EQ(pixelOf(four.rgb.get(), 0, 0), (Rgb{30, 20, 10}));

  FIBITMAP *mono = FreeImage_Allocate(8, 1, 1);
  FreeImage_GetPalette(mono)[1] = {255, 255, 255, 0};
  FreeImage_GetScanLine(mono, 0)[0] = 0x80; // only the first pixel is set
  const DecodedImage one = roundTrip(mono, FIF_PNG, "mono.png");
  EXPECT_EQ(pixelOf(one.rgb.get(), 0, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(pixelOf(one.rgb.get(), 1, 0), (Rgb{0, 0, 0}));
}

TEST_F(Decoding, SixteenBitChannelsAreScaledToEightBits) {
  FIBITMAP *grey16 = FreeImage_AllocateT(FIT_UINT16, 2, 1);
  auto *greyRow = reinterpret_cast<uint16_t *>(FreeImage_GetScanLine(grey16, 0));
  greyRow[0] = 0x8000, greyRow[1] = 0xFFFF;
  const DecodedImage grey = roundTrip(grey16, FIF_PNG, "grey16.png");
  EXPECT_EQ(pixelOf(grey.rgb.get(), 0, 0), (Rgb{128, 128, 128}));
  EXPECT_EQ(pixelOf(grey.rgb.get(), 1, 0), (Rgb{255, 255, 255}));

  FIBITMAP *rgb16 = FreeImage_AllocateT(FIT_RGB16, 1, 1);
  auto *rgbRow = reinterpret_cast<FIRGB16 *>(FreeImage_GetScanLine(rgb16, 0));
  rgbRow[0] = {0x1000, 0x8000, 0xFF00};
  const DecodedImage rgb = roundTrip(rgb16, FIF_PNG, "rgb48.png");
  EXPECT_EQ(rgb.header.bitsPerPixel, 48);
  EXPECT_EQ(pixelOf(rgb.rgb.get(), 0, 0), (Rgb{0x10, 0x80, 0xFF}));

  FIBITMAP *rgba16 = FreeImage_AllocateT(FIT_RGBA16, 1, 1);
  auto *rgbaRow = reinterpret_cast<FIRGBA16 *>(FreeImage_GetScanLine(rgba16, 0));
  rgbaRow[0] = {0x2000, 0x4000, 0x6000, 0x0000};
  const DecodedImage rgba = roundTrip(rgba16, FIF_PNG, "rgba64.png");
  EXPECT_EQ(pixelOf(rgba.rgb.get(), 0, 0), (Rgb{0x20, 0x40, 0x60}));
}

TEST_F(Decoding, AlphaIsIgnored) {
  FIBITMAP *rgba = FreeImage_Allocate(1, 1, 32);
  BYTE *pixel = FreeImage_GetScanLine(rgba, 0);
  pixel[FI_RGBA_RED] = 90, pixel[FI_RGBA_GREEN] = 80, pixel[FI_RGBA_BLUE] = 70;
  pixel[FI_RGBA_ALPHA] = 0;
  const DecodedImage decoded = roundTrip(rgba, FIF_PNG, "alpha.png");
  EXPECT_EQ(decoded.header.bitsPerPixel, 32);
  EXPECT_EQ(pixelOf(decoded.rgb.get(), 0, 0), (Rgb{90, 80, 70}));
}

TEST_F(Decoding, SixteenBitRgbBitmapsAreExpanded) {
  FIBITMAP *rgb565 =
      FreeImage_Allocate(1, 1, 16, FI16_565_RED_MASK, FI16_565_GREEN_MASK, FI16_565_BLUE_MASK);
  *reinterpret_cast<uint16_t *>(FreeImage_GetScanLine(rgb565, 0)) = 0xF800; // pure red
  const DecodedImage decoded = roundTrip(rgb565, FIF_BMP, "rgb565.bmp");
  EXPECT_EQ(pixelOf(decoded.rgb.get(), 0, 0), (Rgb{255, 0, 0}));
}

void expectRefused(const std::string &path, const std::string &reasonFragment) {
  try {
    decodeImageFile(path);
    ADD_FAILURE() << "decoded " << path;
  } catch (const LumicombError &error) {
    EXPECT_EQ(error.kind(), ErrorKind::BadFile);
    const std::string message = error.what();
    EXPECT_NE(message.find("'" + path + "'"), std::string::npos) << message;
    EXPECT_NE(message.find(reasonFragment), std::string::npos) << message;
  }
}

TEST_F(Decoding, RefusesFilesItCannotReadAndNamesThem) {
  expectRefused(dir.file("missing.png"), "No such file or directory");
  test::writeWholeFile(dir.file("notes.jpg"), "just some text, not a picture");
  expectRefused(dir.file("notes.jpg"), "not an image file FreeImage can decode");
  expectRefused(dir.path().string(), "not an image file FreeImage can decode");
}

TEST_F(Decoding, RefusesDamagedFilesInsteadOfReadingWhatIsLeft) {
  std::mt19937 random(5);
  const test::Picture picture = test::randomPicture(64, 48, random);
  test::writePicture(picture, dir.file("whole.jpg"), FIF_JPEG);
  test::writePicture(picture, dir.file("whole.png"), FIF_PNG);
  const std::string jpeg = test::readWholeFile(dir.file("whole.jpg"));
  const std::string png = test::readWholeFile(dir.file("whole.png"));
  test::writeWholeFile(dir.file("cut.jpg"), jpeg.substr(0, jpeg.size() / 2));
  test::writeWholeFile(dir.file("cut.png"), png.substr(0, png.size() / 2));
  test::writePicture(picture, dir.file("whole.bmp"), FIF_BMP);
  const std::string bmp = test::readWholeFile(dir.file("whole.bmp"));
  test::writeWholeFile(dir.file("cut.bmp"), bmp.substr(0, bmp.size() / 2));
  test::writeWholeFile(dir.file("header-only.bmp"), bmp.substr(0, 54));

  EXPECT_NO_THROW(decodeImageFile(dir.file("whole.jpg")));
  EXPECT_NO_THROW(decodeImageFile(dir.file("whole.bmp")));
  expectRefused(dir.file("cut.jpg"), "damaged");
  expectRefused(dir.file("cut.png"), "");
  expectRefused(dir.file("cut.bmp"), "damaged");
  expectRefused(dir.file("header-only.bmp"), "");
}

TEST_F(Decoding, RefusesFromTheHeaderWhatItWillNotDecode) {
  std::mt19937 random(3);
  const Bitmap small = test::toBitmap(test::randomPicture(64, 48, random));
  const Bitmap square = test::toBitmap(test::randomPicture(32, 32, random));
  ASSERT_TRUE(FreeImage_Save(FIF_ICO, square.get(), dir.file("icon.ico").c_str(), 0));
  ASSERT_TRUE(FreeImage_Save(FIF_GIF, Bitmap(FreeImage_ConvertTo8Bits(small.get())).get(),
                             dir.file("still.gif").c_str(), 0));
  ASSERT_TRUE(FreeImage_Save(FIF_PNG, small.get(), dir.file("small.png").c_str(), 0));
  test::writeWholeFile(dir.file("zero.bmp"), test::bmpClaiming(0, 100));
  test::writeWholeFile(dir.file("huge.bmp"), test::bmpClaiming(60000, 60000));
  // A 64 x 48 picture takes 9216 bytes; the budget is too small for two.
  constexpr uint64_t kPicture = 9216;

  // The caller's own check (a size it needs) comes before the budget, so that a source of the
  // wrong size is named as such; a file that is no picture of ours never gets that far.
  struct Case {
    std::string name;
    uint64_t budget;
    uint64_t heldBeside;
    std::string reason;
    bool callerChecked;
  };
  const std::vector<Case> cases = {
      {"icon.ico", UINT64_MAX, 0, "an ICO file; Lumicomb reads JPEG, PNG, TIFF, BMP and WebP",
       false},
      {"still.gif", UINT64_MAX, 0, "a GIF file; Lumicomb reads JPEG, PNG, TIFF, BMP and WebP",
       false},
      {"zero.bmp", UINT64_MAX, 0, "it claims 0x100 pixels", false},
      {"huge.bmp", 1 << 30, 0,
       "it claims 60000x60000 pixels, which need 10.1 GiB; the memory budget is 1.0 GiB", true},
      {"small.png", 15000, kPicture,
       "it claims 64x48 pixels, which need 18 KiB; the memory budget is 15 KiB", true},
  };
  for (const auto &[name, budget, heldBeside, reason, callerChecked] : cases) {
    const std::string path = dir.file(name);
    bool checked = false;
    DecodeOptions limits;
    limits.memoryBudget = budget;
    limits.heldBeside = heldBeside;
    limits.checkHeader = [&](const ImageHeader &) { checked = true; };
    try {
      decodeImageFile(path, limits);
      ADD_FAILURE() << "decoded " << name;
    } catch (const LumicombError &error) {
      EXPECT_EQ(error.what(), "cannot read '" + path + "': " + reason);
    }
    EXPECT_EQ(checked, callerChecked) << name;
  }
  DecodeOptions enough;
  enough.memoryBudget = 2 * kPicture;
  enough.heldBeside = kPicture;
  EXPECT_NO_THROW(decodeImageFile(dir.file("small.png"), enough));
}

TEST(DecodingRegressions, FilesThatOnceBrokeTheDecoderAreRefusedInOneLine) {
  // Each of these once stopped the program inside the library or slipped past the budget.
  int files = 0;
  for (const auto &entry : std::filesystem::directory_iterator(LUMICOMB_FUZZ_REGRESSIONS)) {
    const std::string path = entry.path().string();
    DecodeOptions limits;
    limits.memoryBudget = uint64_t{1} << 30;
    try {
      decodeImageFile(path, limits);
      ADD_FAILURE() << "decoded " << path;
    } catch (const LumicombError &error) {
      EXPECT_EQ(error.kind(), ErrorKind::BadFile) << path;
      EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos) << error.what();
    }
    ++files;
  }
  EXPECT_GT(files, 0);
}

TEST_F(Decoding, WebPIsAmongTheFormatsItReads) {
  std::mt19937 random(4);
  const test::Picture picture = test::randomPicture(16, 8, random);
  const Bitmap bitmap = test::toBitmap(picture);
  ASSERT_TRUE(
      FreeImage_Save(FIF_WEBP, bitmap.get(), dir.file("frame.webp").c_str(), WEBP_LOSSLESS));
  const DecodedImage decoded = decodeImageFile(dir.file("frame.webp"));
  EXPECT_EQ(test::toPicture(decoded.rgb.get()), picture);
}

TEST(LibraryMessagesTest, SeveralLinesBecomeOneTrimmedLine) {
  const LibraryMessages messages;
  FreeImage_OutputMessageProc(FIF_J2K, "Stream too short\n  expected SIZ marker \r\n\n");
  FreeImage_OutputMessageProc(FIF_J2K, "  decode failed ");
  EXPECT_EQ(messages.text(), "Stream too short; expected SIZ marker; decode failed");
}

} // namespace
} // namespace lumicomb
