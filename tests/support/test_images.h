#pragma once
// Small pictures made at run time, and temporary folders to keep them in.
#include "imaging/bitmap.h"

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace lumicomb::test {

struct Rgb {
  uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const Rgb &) const = default;
};

/// Pixels row by row in the library's row order (row 0 is scan line 0).
struct Picture {
  int64_t width = 0;
  int64_t height = 0;
  std::vector<Rgb> pixels;

  Rgb &at(int64_t x, int64_t y) { return pixels[static_cast<size_t>(y * width + x)]; }
  const Rgb &at(int64_t x, int64_t y) const { return pixels[static_cast<size_t>(y * width + x)]; }
  bool operator==(const Picture &) const = default;
};

Picture filledPicture(int64_t width, int64_t height, Rgb colour);
Picture randomPicture(int64_t width, int64_t height, std::mt19937 &random);

Bitmap toBitmap(const Picture &picture);
/// Reads any 24-bit bitmap back into a picture.
Picture toPicture(const FIBITMAP *bitmap);

/// Writes the picture as a file of the given format (24-bit).
void writePicture(const Picture &picture, const std::string &path, FREE_IMAGE_FORMAT format);
Picture readPicture(const std::string &path);

/// A fresh folder removed with everything in it when the object goes.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;

  const std::filesystem::path &path() const { return m_path; }
  std::string file(const std::string &name) const { return (m_path / name).string(); }

private:
  std::filesystem::path m_path;
};

/// Writes the pictures as frame_1.png, frame_2.png, ... into the folder and returns the names.
std::vector<std::string> writeStack(const TempDir &dir, const std::vector<Picture> &stack);

std::vector<Picture> randomStack(int count, int64_t width, int64_t height, unsigned seed);

/// A 24-bit BMP file of 54 bytes that claims a picture of the given size and holds no pixels.
std::string bmpClaiming(int32_t width, int32_t height);

std::string readWholeFile(const std::string &path);
void writeWholeFile(const std::string &path, const std::string &bytes);

} // namespace lumicomb::test
