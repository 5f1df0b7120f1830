#include "ui/picture_box.h"

#include "imaging/bitmap.h"

#include <QPainter>

#include <cstring>

namespace lumicomb::ui {

QImage toImage(const FIBITMAP *bitmap) {
  const int width = static_cast<int>(widthOf(bitmap));
  const int height = static_cast<int>(heightOf(bitmap));
  // The library's 24-bit rows are blue, green, red: the same order as this format.
  QImage image(width, height, QImage::Format_BGR888);
  for (int y = 0; y < height; ++y)
    std::memcpy(image.scanLine(y), scanLine(bitmap, height - 1 - y),
                static_cast<size_t>(3 * width));
  return image;
}

PictureBox::PictureBox(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void PictureBox::showBitmap(const FIBITMAP *bitmap, int width, int height) {
  m_picture = toImage(bitmap);
  resize(width, height);
  update();
}

void PictureBox::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  painter.drawImage(0, 0, m_picture);
}

} // namespace lumicomb::ui
