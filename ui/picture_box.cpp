#include "ui/picture_box.h"

#include "imaging/bitmap.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>

#include <cmath>
#include <cstring>

namespace lumicomb::ui {

QImage toImage(const FIBITMAP *bitmap) {
  const int width = static_cast<int>(widthOf(bitmap));
  const int height = static_cast<int>(heightOf(bitmap));
  // The library's 24-bit rows are blue, green, red: the same order as this format.
  QImage image(width, height, QImage::Format_BGR888);
  const bool wide = depthOf(bitmap) == SampleDepth::Sixteen;
  for (int y = 0; y < height; ++y) {
    const uint8_t *row = scanLine(bitmap, height - 1 - y);
    uint8_t *out = image.scanLine(y);
    if (!wide) {
      std::memcpy(out, row, static_cast<size_t>(3 * width));
      continue;
    }
    const auto *samples = reinterpret_cast<const uint16_t *>(row); // red, green, blue
    for (int x = 0; x < width; ++x) {
      out[3 * x] = eightBitEquivalent(samples[3 * x + 2]);
      out[3 * x + 1] = eightBitEquivalent(samples[3 * x + 1]);
      out[3 * x + 2] = eightBitEquivalent(samples[3 * x]);
    }
  }
  return image;
}

QSize fittedSize(QSize picture, QSize box) {
  if (picture.isEmpty() || box.isEmpty())
    return box;
  const double scale = std::min(static_cast<double>(box.width()) / picture.width(),
                                static_cast<double>(box.height()) / picture.height());
  return {std::max(1, static_cast<int>(std::lround(picture.width() * scale))),
          std::max(1, static_cast<int>(std::lround(picture.height() * scale)))};
}

PictureBox::PictureBox(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void PictureBox::setPicture(QImage picture) {
  m_picture = std::move(picture);
  m_scaled = QImage();
  update();
}

QRect PictureBox::pictureRect() const {
  const QSize size = fittedSize(m_picture.size(), this->size());
  return {QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size};
}

void PictureBox::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  if (m_picture.isNull())
    return;
  const QRect target = pictureRect();
  // The ratio of what is painted on: the screen's, or a picture's that the box is rendered into.
  const qreal ratio = painter.paintEngine()->paintDevice()->devicePixelRatioF();
  const QSize device(static_cast<int>(std::lround(target.width() * ratio)),
                     static_cast<int>(std::lround(target.height() * ratio)));
  if (m_scaled.size() != device || m_scaled.devicePixelRatio() != ratio) {
    m_scaled = device == m_picture.size()
                   ? m_picture
                   : m_picture.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_scaled.setDevicePixelRatio(ratio);
  }
  painter.drawImage(target.topLeft(), m_scaled);
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton)
    emit doubleClicked();
}

} // namespace lumicomb::ui
