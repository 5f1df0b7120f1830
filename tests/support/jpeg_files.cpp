#include "support/jpeg_files.h"

#include <jpeglib.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

namespace lumicomb::test {
namespace {

[[noreturn]] void failWithMessage(j_common_ptr info) {
  char message[JMSG_LENGTH_MAX];
  (*info->err->format_message)(info, message);
  throw std::runtime_error(message);
}

struct ClosedFile {
  void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, ClosedFile>;

File opened(const std::string &path, const char *mode) {
  File file(std::fopen(path.c_str(), mode));
  if (!file)
    throw std::runtime_error("cannot open " + path);
  return file;
}

/// The picture's samples of one row counted from the top, in the layout's components.
std::vector<JSAMPLE> samplesOf(const Picture &picture, int64_t y, int components) {
  std::vector<JSAMPLE> samples;
  for (int64_t x = 0; x < picture.width; ++x) {
    const Rgb &pixel = picture.at(x, picture.height - 1 - y);
    if (components == 1) {
      samples.push_back(pixel.red);
      continue;
    }
    samples.insert(samples.end(), {pixel.red, pixel.green, pixel.blue});
    if (components == 4)
      samples.push_back(static_cast<JSAMPLE>((pixel.red + pixel.green + pixel.blue) / 3));
  }
  return samples;
}

Rgb pixelFrom(const JSAMPLE *samples, int components) {
  switch (components) {
  case 1:
    return {samples[0], samples[0], samples[0]};
  case 4: {
    const unsigned black = samples[3];
    return {static_cast<uint8_t>(samples[0] * black / 255),
            static_cast<uint8_t>(samples[1] * black / 255),
            static_cast<uint8_t>(samples[2] * black / 255)};
  }
  default:
    return {samples[0], samples[1], samples[2]};
  }
}

} // namespace

void writeJpeg(const Picture &picture, const std::string &path, const JpegLayout &layout) {
  const File file = opened(path, "wb");
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  errors.error_exit = failWithMessage;
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file.get());
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = layout.components;
  info.in_color_space =
      layout.components == 1 ? JCS_GRAYSCALE : (layout.components == 4 ? JCS_CMYK : JCS_RGB);
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  info.comp_info[0].h_samp_factor = layout.horizontalSampling;
  info.comp_info[0].v_samp_factor = layout.verticalSampling;
  if (layout.progressive)
    jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  for (int64_t y = 0; y < picture.height; ++y) {
    std::vector<JSAMPLE> row = samplesOf(picture, y, layout.components);
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
}

Picture readJpegAccurately(const std::string &path) {
  const File file = opened(path, "rb");
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  errors.error_exit = failWithMessage;
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file.get());
  jpeg_read_header(&info, TRUE);
  info.dct_method = JDCT_ISLOW;
  info.do_fancy_upsampling = TRUE;
  jpeg_start_decompress(&info);
  const int components = info.output_components;
  Picture picture = filledPicture(info.output_width, info.output_height, {});
  std::vector<JSAMPLE> row(static_cast<size_t>(info.output_width) * components);
  while (info.output_scanline < info.output_height) {
    const int64_t y = picture.height - 1 - info.output_scanline;
    JSAMPROW rows[] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    for (int64_t x = 0; x < picture.width; ++x)
      picture.at(x, y) = pixelFrom(row.data() + x * components, components);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return picture;
}

} // namespace lumicomb::test
