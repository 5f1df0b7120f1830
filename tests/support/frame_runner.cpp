#include "support/frame_runner.h"

#include "support/wide_files.h"

namespace lumicomb::test {
namespace {

class BitmapRows : public FrameReader {
public:
  explicit BitmapRows(const FIBITMAP *bitmap) : m_bitmap(bitmap) {}
  const uint8_t *row(int64_t y) override { return scanLine(m_bitmap, y); }

private:
  const FIBITMAP *m_bitmap;
};

Bitmap run(FrameRule &rule, const std::vector<Bitmap> &frames, SampleDepth depth,
           const std::vector<int> &order, const std::vector<int> &parts) {
  const int64_t width = widthOf(frames[0].get()), height = heightOf(frames[0].get());
  rule.begin(static_cast<int>(frames.size()), width, height);
  for (int sweep = 0; sweep < rule.sweeps(); ++sweep) {
    for (const int index : order) {
      if (!rule.wantsFrame(sweep, index + 1))
        continue;
      const std::unique_ptr<FrameWork> work = rule.makeWork();
      BitmapRows rows(frames[static_cast<size_t>(index)].get());
      rule.read(sweep, rows, 1.0, *work);
      rule.prepare(sweep, *work);
      for (const int part : parts)
        rule.merge(sweep, index + 1, *work, part, static_cast<int>(parts.size()));
    }
    rule.endSweep(sweep);
  }
  Bitmap result = allocateRgb(width, height, depth);
  for (int64_t y = 0; y < height; ++y)
    rule.writeRow(y, scanLine(result.get(), y));
  return result;
}

} // namespace

Picture frameBlend(FrameRule &rule, const std::vector<Picture> &stack,
                   const std::vector<int> &order, const std::vector<int> &parts) {
  std::vector<Bitmap> frames;
  for (const Picture &picture : stack)
    frames.push_back(toBitmap(picture));
  return toPicture(run(rule, frames, SampleDepth::Eight, order, parts).get());
}

WidePicture frameBlend(FrameRule &rule, const std::vector<WidePicture> &stack,
                       const std::vector<int> &order, const std::vector<int> &parts) {
  std::vector<Bitmap> frames;
  for (const WidePicture &picture : stack)
    frames.push_back(toWideBitmap(picture));
  return toWidePicture(run(rule, frames, SampleDepth::Sixteen, order, parts).get());
}

std::vector<uint16_t> chosenFrames(const FrameRule &rule, int64_t width, int64_t height) {
  std::vector<uint16_t> chosen(static_cast<size_t>(width * height));
  for (int64_t y = 0; y < height; ++y)
    rule.chosenFrames(y, chosen.data() + y * width);
  return chosen;
}

} // namespace lumicomb::test
