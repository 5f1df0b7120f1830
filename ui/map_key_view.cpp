#include "ui/map_key_view.h"

#include <QPainter>

namespace lumicomb::ui {

MapKeyView::MapKeyView(QWidget *parent) : QWidget(parent) {}

void MapKeyView::setKey(const MapKey &key) {
  m_key = key;
  update();
}

void MapKeyView::paintEvent(QPaintEvent *) {
  if (m_key.colours.empty())
    return;
  QPainter painter(this);
  const QFontMetrics metrics = fontMetrics();
  const QString title = tr(m_key.title.c_str()) + ":";
  const QString lowest = QString::number(m_key.lowest), highest = QString::number(m_key.highest);
  const int gap = metrics.horizontalAdvance(' ');
  int x = 0;
  const auto text = [&](const QString &words) {
    painter.drawText(QRect(x, 0, metrics.horizontalAdvance(words), height()), Qt::AlignVCenter,
                     words);
    x += metrics.horizontalAdvance(words) + gap;
  };
  text(title);
  text(lowest);
  // The bar takes what the labels leave, every value a band of it at least a pixel wide.
  const int bar = std::max(static_cast<int>(m_key.colours.size()),
                           width() - x - metrics.horizontalAdvance(highest) - gap);
  const int barHeight = std::min(height() - 4, metrics.height());
  const int top = (height() - barHeight) / 2;
  const auto count = static_cast<int>(m_key.colours.size());
  for (int k = 0; k < count; ++k) {
    const Colour colour = m_key.colours[static_cast<size_t>(k)];
    const int from = x + bar * k / count, to = x + bar * (k + 1) / count;
    painter.fillRect(QRect(from, top, std::max(1, to - from), barHeight),
                     QColor(colour.red, colour.green, colour.blue));
  }
  painter.setPen(palette().windowText().color());
  painter.drawRect(QRect(x, top, bar, barHeight).adjusted(0, 0, -1, -1));
  x += bar + gap;
  text(highest);
}

} // namespace lumicomb::ui
