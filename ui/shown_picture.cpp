#include "ui/shown_picture.h"

#include "imaging/bitmap.h"

namespace lumicomb::ui {
namespace {

/// Halved copies are made down to about this long side; below it a copy would save nothing.
constexpr int kSmallestLevel = 256;

} // namespace

ShownPicture::ShownPicture(std::shared_ptr<const FIBITMAP> samples, QRect crop)
    : m_samples(std::move(samples)) {
  const QRect whole(0, 0, static_cast<int>(widthOf(m_samples.get())),
                    static_cast<int>(heightOf(m_samples.get())));
  m_crop = crop.isEmpty() ? whole : crop.intersected(whole);
  m_levels.push_back(screenCopy());
  while (std::max(m_levels.back().width(), m_levels.back().height()) > 2 * kSmallestLevel) {
    const QImage &last = m_levels.back();
    m_levels.push_back(last.scaled(std::max(1, last.width() / 2), std::max(1, last.height() / 2),
                                   Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  }
}

QImage ShownPicture::screenCopy() const {
  QImage shown(m_crop.size(), QImage::Format_RGB32);
  const bool wide = bits() == 16;
  const int64_t height = heightOf(m_samples.get());
  for (int y = 0; y < shown.height(); ++y) {
    const uint8_t *row = scanLine(m_samples.get(), height - 1 - (m_crop.top() + y));
    auto *out = reinterpret_cast<QRgb *>(shown.scanLine(y));
    if (wide) {
      const auto *samples = reinterpret_cast<const uint16_t *>(row) + 3 * m_crop.left();
      for (int x = 0; x < shown.width(); ++x, samples += 3)
        out[x] = qRgb(eightBitEquivalent(samples[0]), eightBitEquivalent(samples[1]),
                      eightBitEquivalent(samples[2]));
    } else {
      const uint8_t *samples = row + 3 * m_crop.left();
      for (int x = 0; x < shown.width(); ++x, samples += 3)
        out[x] = qRgb(samples[2], samples[1], samples[0]);
    }
  }
  return shown;
}

int ShownPicture::bits() const { return depthOf(m_samples.get()) == SampleDepth::Sixteen ? 16 : 8; }

QString ShownPicture::samplesAt(QPoint pixel) const {
  const int64_t x = m_crop.left() + pixel.x();
  const int64_t y = heightOf(m_samples.get()) - 1 - (m_crop.top() + pixel.y());
  const uint8_t *row = scanLine(m_samples.get(), y);
  unsigned red, green, blue;
  if (bits() == 16) {
    const auto *samples = reinterpret_cast<const uint16_t *>(row) + 3 * x;
    red = samples[0], green = samples[1], blue = samples[2];
  } else {
    const uint8_t *samples = row + 3 * x;
    red = samples[2], green = samples[1], blue = samples[0];
  }
  return QStringLiteral("R %1 G %2 B %3").arg(red).arg(green).arg(blue);
}

} // namespace lumicomb::ui
