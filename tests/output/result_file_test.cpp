// The saved result as other programs read it back: its depth, its colour profile and image 1's
// metadata made true of the blend.
#include "base/errors.h"
#include "imaging/photo_info.h"
#include "output/result_file.h"
#include "output/tiny_disk.h"
#include "support/test_images.h"
#include "support/test_profiles.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace lumicomb {
namespace {

namespace fs = std::filesystem;

struct ReadBack {
  Exiv2::ExifData exif;
  Exiv2::IptcData iptc;
  Exiv2::XmpData xmp;
  std::vector<uint8_t> iccProfile;

  std::string exifText(const char *key) const {
    const auto found = exif.findKey(Exiv2::ExifKey(key));
    return found == exif.end() ? "(none)" : found->toString();
  }
  bool hasExifGroup(const std::string &group) const {
    return std::any_of(exif.begin(), exif.end(),
                       [&](const Exiv2::Exifdatum &datum) { return datum.groupName() == group; });
  }
};

ReadBack readBack(const std::string &path) {
  const auto image = Exiv2::ImageFactory::open(path);
  image->readMetadata();
  ReadBack back{image->exifData(), image->iptcData(), image->xmpData(), {}};
  if (image->iccProfileDefined())
    back.iccProfile.assign(image->iccProfile()->pData_,
                           image->iccProfile()->pData_ + image->iccProfile()->size_);
  return back;
}

class ResultFile : public ::testing::Test {
protected:
  test::TempDir dir;
  std::mt19937 random{41};
  test::Picture picture = test::randomPicture(13, 7, random);
  std::vector<uint8_t> profile = test::sRGBProfile();

  /// Image 1's metadata as the decoding reads it from a photograph with a camera's tags, an
  /// orientation, a thumbnail, a caption and a title. A JPEG holds 64 KiB of XMP at most.
  std::shared_ptr<const PhotoMetadata> cameraMetadata(FREE_IMAGE_FORMAT format = FIF_JPEG,
                                                      const std::string &description = {}) {
    const std::string path = dir.file("camera." + std::to_string(format));
    test::writePicture(test::randomPicture(8, 6, random), path, format);
    const std::string thumbnail = test::readWholeFile(path);
    const auto photo = Exiv2::ImageFactory::open(path);
    Exiv2::ExifData &exif = photo->exifData();
    exif["Exif.Image.Make"] = "Lumicam";
    exif["Exif.Image.Model"] = "LC-1";
    exif["Exif.Image.Orientation"] = uint16_t{6};
    exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
    exif["Exif.Photo.DateTimeOriginal"] = "2024:06:07 10:11:12";
    exif["Exif.Photo.PixelXDimension"] = uint32_t{4000};
    exif["Exif.Photo.PixelYDimension"] = uint32_t{3000};
    Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(thumbnail.data()),
                                            static_cast<long>(thumbnail.size()));
    photo->iptcData()["Iptc.Application2.Caption"] = "Harbour at night";
    photo->xmpData()["Xmp.dc.title"] = "lang=x-default Night harbour";
    if (!description.empty())
      photo->xmpData()["Xmp.dc.description"] = "lang=x-default " + description;
    photo->writeMetadata();
    return readPhotoInfo(path, true).metadata;
  }

  std::string saved(const FileTypeRow &row, bool withMetadata, const std::string &name) {
    const std::string path = dir.file(name + row.extension);
    saveResult({test::toBitmap(picture), profile, cameraMetadata(), 5, withMetadata}, path, row,
               saveFlags(row, 90));
    return path;
  }
};

const std::vector<int> kTypesWithMetadata = {1, 2, 4}; // TIFF, JPEG, PNG

TEST_F(ResultFile, CarriesImageOnesMetadataMadeTrueOfTheBlendAndTheProfile) {
  for (const int filterIndex : kTypesWithMetadata) {
    const FileTypeRow &row = fileTypeRow(filterIndex);
    SCOPED_TRACE(row.typeName);
    const std::string path = saved(row, true, "with");
    ReadBack back = readBack(path);
    EXPECT_EQ(back.exifText("Exif.Image.Make"), "Lumicam");
    EXPECT_EQ(back.exifText("Exif.Image.Model"), "LC-1");
    EXPECT_EQ(back.exifText("Exif.Photo.ExposureTime"), "1/250");
    EXPECT_EQ(back.exifText("Exif.Photo.DateTimeOriginal"), "2024:06:07 10:11:12");
    EXPECT_EQ(back.exifText("Exif.Image.Orientation"), "1");
    EXPECT_EQ(back.exifText("Exif.Image.Software"), "Lumicomb " LUMICOMB_VERSION);
    EXPECT_EQ(back.exifText("Exif.Photo.CompositeImage"), "2");
    EXPECT_EQ(back.exifText("Exif.Photo.ExifVersion"), "48 50 51 50");
    EXPECT_EQ(back.exifText("Exif.Photo.SourceImageNumberOfCompositeImage"), "5 5");
    EXPECT_EQ(back.exifText("Exif.Photo.PixelXDimension"), "13");
    EXPECT_EQ(back.exifText("Exif.Photo.PixelYDimension"), "7");
    EXPECT_FALSE(back.hasExifGroup("Thumbnail"));
    EXPECT_EQ(back.iptc["Iptc.Application2.Caption"].toString(), "Harbour at night");
    EXPECT_EQ(back.xmp["Xmp.dc.title"].toString(), "lang=\"x-default\" Night harbour");
    EXPECT_TRUE(back.iccProfile == profile);
    // Exiv2 rewrites a TIFF whole: its strips must still be where its directory says.
    const test::Picture pixels = test::readPicture(path);
    EXPECT_EQ(pixels, test::readPicture(saved(row, false, "without")));
    if (row.format != FIF_JPEG) {
      EXPECT_EQ(pixels, picture);
    }
  }
}

TEST_F(ResultFile, WithoutMetadataOnlyThePixelsAndTheProfileAreWritten) {
  for (const int filterIndex : kTypesWithMetadata) {
    const FileTypeRow &row = fileTypeRow(filterIndex);
    SCOPED_TRACE(row.typeName);
    const ReadBack back = readBack(saved(row, false, "without"));
    EXPECT_EQ(back.exifText("Exif.Image.Make"), "(none)");
    EXPECT_EQ(back.exifText("Exif.Image.Software"), "(none)");
    EXPECT_FALSE(back.hasExifGroup("Photo"));
    EXPECT_TRUE(back.iptc.empty());
    EXPECT_TRUE(back.xmp.empty());
    EXPECT_TRUE(back.iccProfile == profile);
  }
}

TEST_F(ResultFile, SixteenBitsAreKeptByTiffAndPngAndRoundedToEightForJpegAndBmp) {
  // From 257k - 128 to 257k + 128 a sample rounds to k; one further, to the neighbour.
  const std::vector<std::array<uint16_t, 3>> samples = {
      {0, 128, 129}, {32767, 32768, 32896}, {33024, 33025, 65535}, {65407, 65406, 1}};
  const std::vector<test::Rgb> rounded = {
      {0, 0, 1}, {127, 128, 128}, {128, 129, 255}, {255, 254, 0}};
  const int64_t width = static_cast<int64_t>(samples.size());
  Bitmap wide = allocateRgb(width, 2, SampleDepth::Sixteen);
  test::Picture eight = test::filledPicture(width, 2, {});
  for (int64_t y = 0; y < 2; ++y) {
    auto *row = reinterpret_cast<FIRGB16 *>(scanLine(wide.get(), y));
    for (int64_t x = 0; x < width; ++x) {
      const auto &[red, green, blue] = samples[static_cast<size_t>((x + y) % width)];
      row[x] = {red, green, blue};
      eight.at(x, y) = rounded[static_cast<size_t>((x + y) % width)];
    }
  }
  auto wideCopy = [&] { return Bitmap(FreeImage_Clone(wide.get())); };
  for (const FileTypeRow &row : fileTypeTable()) {
    SCOPED_TRACE(row.typeName);
    const std::string path = dir.file("deep" + row.extension);
    saveResult({wideCopy(), {}, nullptr, 2, false}, path, row, saveFlags(row, 90));
    if (row.deepest == SampleDepth::Sixteen) {
      const Bitmap back(FreeImage_Load(row.format, path.c_str(), 0));
      ASSERT_EQ(FreeImage_GetImageType(back.get()), FIT_RGB16);
      for (int64_t y = 0; y < 2; ++y)
        EXPECT_EQ(std::memcmp(scanLine(back.get(), y), scanLine(wide.get(), y), 6 * width), 0);
    } else {
      // JPEG compresses what it is given, so the same 8-bit picture must give the same file.
      const std::string narrow = dir.file("narrow" + row.extension);
      saveResult({test::toBitmap(eight), {}, nullptr, 2, false}, narrow, row, saveFlags(row, 90));
      EXPECT_TRUE(test::readWholeFile(path) == test::readWholeFile(narrow));
      if (row.format == FIF_BMP) {
        EXPECT_EQ(test::readPicture(path), eight);
      }
    }
  }
}

TEST_F(ResultFile, AFullDiskDuringTheMetadataLeavesTheOldFileAndNoTemporaryFile) {
  const test::TinyDisk disk(dir.path() / "tiny");
  if (!disk.mounted())
    GTEST_SKIP() << "no tmpfs of a megabyte could be mounted (not root?)";
  const fs::path folder = dir.path() / "tiny";
  const std::string path = (folder / "result.tif").string();
  test::writeWholeFile(path, "earlier work");
  // The pixels fit the disk; with a long description beside them they do not.
  const std::string longText(150000, 'x');
  try {
    saveResult({test::toBitmap(test::randomPicture(560, 600, random)),
                {},
                cameraMetadata(FIF_TIFF, longText),
                2,
                true},
               path, fileTypeRow(1), TIFF_NONE);
    ADD_FAILURE() << "the save went through";
  } catch (const LumicombError &error) {
    EXPECT_EQ(error.kind(), ErrorKind::WriteFailed);
    EXPECT_EQ(std::string(error.what()), "cannot write '" + path + "': " + std::strerror(ENOSPC));
  }
  EXPECT_TRUE(test::readWholeFile(path) == "earlier work") << "the earlier file changed";
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);
}

} // namespace
} // namespace lumicomb
