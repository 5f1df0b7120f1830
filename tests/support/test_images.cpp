#include "support/test_images.h"

#include "imaging/image_decoding.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <stdlib.h>

namespace lumicomb::test {

Picture filledPicture(int64_t width, int64_t height, Rgb colour) {
  return {width, height, std::vector<Rgb>(static_cast<size_t>(width * height), colour)};
}

Picture randomPicture(int64_t width, int64_t height, std::mt19937 &random) {
  Picture picture = filledPicture(width, height, {});
  std::uniform_int_distribution<int> sample(0, 255);
  for (Rgb &pixel : picture.pixels)
    pixel = {static_cast<uint8_t>(sample(random)), static_cast<uint8_t>(sample(random)),
             static_cast<uint8_t>(sample(random))};
  return picture;
}

Bitmap toBitmap(const Picture &picture) {
  Bitmap bitmap = allocateRgb24(picture.width, picture.height);
  for (int64_t y = 0; y < picture.height; ++y) {
    uint8_t *row = scanLine(bitmap.get(), y);
    for (int64_t x = 0; x < picture.width; ++x) {
      row[3 * x + FI_RGBA_RED] = picture.at(x, y).red;
      row[3 * x + FI_RGBA_GREEN] = picture.at(x, y).green;
      row[3 * x + FI_RGBA_BLUE] = picture.at(x, y).blue;
    }
  }
  return bitmap;
}

Picture toPicture(const FIBITMAP *bitmap) {
  if (!bitmap || FreeImage_GetBPP(const_cast<FIBITMAP *>(bitmap)) != 24)
    throw std::runtime_error("not a 24-bit bitmap");
  Picture picture = filledPicture(widthOf(bitmap), heightOf(bitmap), {});
  for (int64_t y = 0; y < picture.height; ++y) {
    const uint8_t *row = scanLine(bitmap, y);
    for (int64_t x = 0; x < picture.width; ++x)
      picture.at(x, y) = {row[3 * x + FI_RGBA_RED], row[3 * x + FI_RGBA_GREEN],
                          row[3 * x + FI_RGBA_BLUE]};
  }
  return picture;
}

void writePicture(const Picture &picture, const std::string &path, FREE_IMAGE_FORMAT format) {
  const Bitmap bitmap = toBitmap(picture);
  const int flags = format == FIF_JPEG ? 100 : 0;
  if (!FreeImage_Save(format, bitmap.get(), path.c_str(), flags))
    throw std::runtime_error("cannot write test image " + path);
}

std::string bmpClaiming(int32_t width, int32_t height) {
  std::string bytes(54, '\0');
  auto put = [&](size_t at, uint32_t value, int size) {
    for (int k = 0; k < size; ++k)
      bytes[at + static_cast<size_t>(k)] = static_cast<char>(value >> (8 * k));
  };
  bytes[0] = 'B', bytes[1] = 'M';
  put(2, 54, 4);  // file size
  put(10, 54, 4); // where the pixels start
  put(14, 40, 4); // info header size
  put(18, static_cast<uint32_t>(width), 4);
  put(22, static_cast<uint32_t>(height), 4);
  put(26, 1, 2);  // planes
  put(28, 24, 2); // bits per pixel
  return bytes;
}

Picture readPicture(const std::string &path) {
  // Through the program's own decoder: the library's plain load of a TIFF with a colour profile
  // and EXIF reads freed memory (see tiff_layout.h).
  return toPicture(decodeImageFile(path).rgb.get());
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "lumicomb-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data()))
    throw std::runtime_error("cannot make a temporary folder");
  m_path = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(m_path, ignored);
}

std::vector<std::string> writeStack(const TempDir &dir, const std::vector<Picture> &stack) {
  std::vector<std::string> names;
  for (size_t i = 0; i < stack.size(); ++i) {
    names.push_back("frame_" + std::to_string(i + 1) + ".png");
    writePicture(stack[i], dir.file(names.back()), FIF_PNG);
  }
  return names;
}

std::vector<Picture> randomStack(int count, int64_t width, int64_t height, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<Picture> stack;
  for (int i = 0; i < count; ++i)
    stack.push_back(randomPicture(width, height, random));
  return stack;
}

std::string readWholeFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeWholeFile(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace lumicomb::test
